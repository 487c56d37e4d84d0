// The nine small edit fields. Each is subclassed: its procedure filters the
// keys and posts ValueKey or FieldKey to the main window, so that the check
// runs after the field has applied the key.
#include "program/input_fields.h"

#include "app/main_window.h"
#include "app/startup.h"

namespace {

SYSTEMTIME input;
std::uint8_t flags;
// The edit class's own procedure, as the first subclassing gave it back; all
// nine fields pass their messages on to it.
WNDPROC editClassProc;

// FieldKey codes.
constexpr LPARAM kFieldLeft = 0;
constexpr LPARAM kFieldChanged = 1;
constexpr LPARAM kFieldTab = 2;
constexpr LPARAM kFieldLeftAtStart = 3;
constexpr LPARAM kFieldRightAtEnd = 4;

void post(HWND edit, UINT message, LPARAM code) {
    PostMessageA(GetParent(edit), message, reinterpret_cast<WPARAM>(edit), code);
}

LRESULT passOn(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!editClassProc) return DefWindowProcA(edit, message, wParam, lParam);
    return CallWindowProcA(editClassProc, edit, message, wParam, lParam);
}

LRESULT CALLBACK temperatureEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_DELETE) {
        post(edit, ValueKey, VK_DELETE);
    } else if (message == WM_CHAR) {
        // The decimal separator is the comma; a typed point becomes one.
        if (wParam == '.') wParam = ',';
        const bool accepted = wParam == ',' || wParam == '-' || wParam == '\b' || (wParam >= '0' && wParam <= '9');
        if (!accepted) return 0;
        post(edit, ValueKey, static_cast<LPARAM>(wParam));
    }
    return passOn(edit, message, wParam, lParam);
}

LRESULT CALLBACK twoDigitEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KILLFOCUS) {
        post(edit, FieldKey, kFieldLeft);
    } else if (message == WM_CHAR) {
        post(edit, FieldKey, kFieldChanged);
    } else if (message == WM_KEYDOWN) {
        // Where the caret stands is read before the key moves it.
        const DWORD selection = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
        const int selectionStart = LOWORD(selection);
        switch (wParam) {
        case VK_DELETE: post(edit, FieldKey, kFieldChanged); break;
        case VK_TAB: post(edit, FieldKey, kFieldTab); break;
        case VK_LEFT:
            if (selectionStart == 0) post(edit, FieldKey, kFieldLeftAtStart);
            break;
        case VK_RIGHT: {
            // The caret is at the end when the selection starts where the
            // unselected characters end. This is what EM_LINELENGTH gives for
            // index -1 on Windows; Wine answers a single-line field with the
            // whole length, so the count is made here.
            const int unselected = GetWindowTextLengthA(edit) - (HIWORD(selection) - selectionStart);
            if (selectionStart == unselected) post(edit, FieldKey, kFieldRightAtEnd);
            break;
        }
        }
    }
    return passOn(edit, message, wParam, lParam);
}

WNDPROC subclass(HWND edit, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

}  // namespace

SYSTEMTIME& startInput() { return input; }
std::uint8_t startMomentFlags() { return flags; }
bool startMomentValid() { return (flags & kStartFieldsInvalidMask) == 0; }

void subclassTemperatureEdit(HWND edit) {
    WNDPROC previous = subclass(edit, temperatureEditProc);
    if (!editClassProc) editClassProc = previous;
}

HWND createTwoDigitEdit(HWND window, int x, int y, DWORD alignment) {
    HWND edit = CreateWindowExA(0, "EDIT", nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | alignment, x, y,
                                18, 15, window, nullptr, appInstance(), nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(fonts().boldFont), TRUE);
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
    WNDPROC previous = subclass(edit, twoDigitEditProc);
    if (!editClassProc) editClassProc = previous;
    return edit;
}

// Handled once the input rules are built.
void onValueKey(HWND, WPARAM) {}
// Handled once the input rules are built.
void onFieldKey(HWND, WPARAM, LPARAM) {}

void resetInputFields() {
    input = SYSTEMTIME{};
    flags = 0;
}
