#include "window_names.h"

const char kMainWindowClass[] = "termostat";
const char kMainWindowTitle[] = "Управление термостатом КРМ-Д";
