#pragma once

// The editor reads the catalogue through this name.
#include "jet/functions/JetFunctionCatalog.h"
