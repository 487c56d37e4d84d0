#include "edit_fields.h"

#include "startup.h"

namespace {

// The edit class's own procedure, as the first subclassing gave it back; all
// nine fields pass their messages on to it.
WNDPROC editClassProc;

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
        const int kept = temperatureFieldChar(static_cast<unsigned>(wParam));
        if (kept < 0) return 0;
        wParam = static_cast<WPARAM>(kept);
        post(edit, ValueKey, static_cast<LPARAM>(wParam));
    }
    return passOn(edit, message, wParam, lParam);
}

LRESULT CALLBACK twoDigitEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KILLFOCUS) {
        post(edit, FieldKey, fieldLeft);
    } else if (message == WM_CHAR) {
        post(edit, FieldKey, fieldChanged);
    } else if (message == WM_KEYDOWN) {
        // Where the caret stands is read before the key moves it.
        const DWORD selection = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
        const int selectionStart = LOWORD(selection);
        switch (wParam) {
        case VK_DELETE: post(edit, FieldKey, fieldChanged); break;
        case VK_TAB: post(edit, FieldKey, fieldTab); break;
        case VK_LEFT:
            if (selectionStart == 0) post(edit, FieldKey, fieldLeftAtStart);
            break;
        case VK_RIGHT: {
            // The caret is at the end when the selection starts where the
            // unselected characters end. This is what EM_LINELENGTH gives for
            // index -1 on Windows; Wine answers a single-line field with the
            // whole length, so the count is made here.
            const int unselected = GetWindowTextLengthA(edit) - (HIWORD(selection) - selectionStart);
            if (selectionStart == unselected) post(edit, FieldKey, fieldRightAtEnd);
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

void subclassTemperatureEdit(HWND edit) {
    WNDPROC previous = subclass(edit, temperatureEditProc);
    if (!editClassProc) editClassProc = previous;
}

HWND createTwoDigitEdit(HWND window, int x, int y, DWORD alignment, HFONT font) {
    HWND edit = CreateWindowExA(0, "EDIT", nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | alignment, x, y,
                                18, 15, window, nullptr, appInstance(), nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(edit, EM_LIMITTEXT, 2, 0);
    WNDPROC previous = subclass(edit, twoDigitEditProc);
    if (!editClassProc) editClassProc = previous;
    return edit;
}

void moveFieldFocus(HWND target, int code) {
    if (!target) return;
    SetFocus(target);
    const WPARAM caret = code == fieldLeftAtStart ? 2 : 0;
    SendMessageA(target, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}
