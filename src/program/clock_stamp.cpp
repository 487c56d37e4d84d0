#include "program/clock_stamp.h"
