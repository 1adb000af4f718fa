#include "ResultChart.h"
