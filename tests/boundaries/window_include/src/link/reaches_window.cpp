// A link module that reaches into the window: the boundary check must fail.
#include "app/main_window.h"
#include "app/settings.h"
