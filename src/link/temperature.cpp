#include "link/temperature.h"
