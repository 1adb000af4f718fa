#pragma once

// The encrypted engine's header; the key functions are declared only with the codec on.
#ifndef SQLITE_HAS_CODEC
#define SQLITE_HAS_CODEC 1
#endif
#include <sqlite3.h>
