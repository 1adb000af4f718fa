#include "ResultPrinting.h"
