#include "console/reading_display.h"
