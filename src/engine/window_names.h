// The main window's class name and title: together they are how a second start
// finds the copy that already runs, and the title is the caption of the
// program's own questions. Portable: no Windows header.
#pragma once

extern const char kMainWindowClass[];
extern const char kMainWindowTitle[];
