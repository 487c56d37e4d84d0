// How the programs under tests/win look at windows and answer message boxes,
// of their own process or of the program running as another process: the
// in-process harness, the end-to-end tests, the soak's operator and
// drive-quellor all find, read and answer a box here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Text of a window (CP1251 bytes); a hung owner gives an empty text.
std::string windowText(HWND window);
std::string className(HWND window);
// The first child of parent (at any depth) whose text is text, or none.
HWND childWithText(HWND parent, const std::string& text);
// The message of a message box: its longest static text.
std::string boxText(HWND box);
// The first visible top-level window of the process with this class ("" for
// any class), or none. Process 0: any process.
HWND findVisibleWindow(DWORD processId, const char* windowClass);

// A message box (or dialog) as read from outside its thread.
struct Box {
    HWND window = nullptr;
    std::string caption;
    std::string text;          // the longest static text: the message
    std::vector<int> buttons;  // ids of its visible push buttons, in window order
    int defaultButton = 0;     // id of the default push button, 0 if none
    bool hasIcon = false;      // an icon beside the text
};

// True for a visible window of the dialog class that has a message: a box
// that has finished building itself.
bool isBox(HWND window);
// The first box of the process (0: of any process), or none.
HWND findBox(DWORD processId);
Box readBox(HWND box);
// Presses a button of a box or dialog by its identifier (IDOK, IDYES...), as
// a click does: the button's notification to its owner.
void pressButton(HWND box, int id);
