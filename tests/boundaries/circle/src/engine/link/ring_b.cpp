#include "link/ring_a.h"
#include "link/ring_b.h"
