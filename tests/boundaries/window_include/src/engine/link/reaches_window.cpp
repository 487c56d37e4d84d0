// A link module that reaches into the window: the boundary check must fail.
#include "main_window.h"
