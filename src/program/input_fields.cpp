// The nine small edit fields. Each is subclassed: its procedure filters the
// keys and posts ValueKey or FieldKey to the main window, so that the check
// runs after the field has applied the key.
#include "program/input_fields.h"

#include <string_view>

#include "app/main_window.h"
#include "app/settings.h"
#include "app/startup.h"
#include "control/run.h"
#include "link/protocol.h"
#include "link/temperature_edit.h"
#include "program/stage_list.h"

namespace {

SYSTEMTIME input;
std::uint8_t flags;
std::uint8_t stageFlags;
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

HWND fieldWindow(TwoDigitField field) {
    const MainControls& c = controls();
    switch (field) {
    case TwoDigitField::startDay: return c.startDayEdit;
    case TwoDigitField::startMonth: return c.startMonthEdit;
    case TwoDigitField::startYear: return c.startYearEdit;
    case TwoDigitField::startHour: return c.startHourEdit;
    case TwoDigitField::startMinute: return c.startMinuteEdit;
    case TwoDigitField::holdHours: return c.holdHoursEdit;
    case TwoDigitField::holdMinutes: return c.holdMinutesEdit;
    default: return nullptr;
    }
}

TwoDigitField fieldOf(HWND edit) {
    for (int i = 0; i < static_cast<int>(TwoDigitField::none); ++i) {
        const auto field = static_cast<TwoDigitField>(i);
        if (edit && fieldWindow(field) == edit) return field;
    }
    return TwoDigitField::none;
}

// A two-digit field's text: WM_GETTEXT with room for its two characters.
void twoDigitText(HWND edit, char (&text)[3]) {
    text[0] = '\0';
    SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
}

int numberIn(HWND edit) {
    char text[3];
    twoDigitText(edit, text);
    return twoDigitNumber(text);
}

// Room for what the program may write into stageTempEdit ("-10,0").
void temperatureText(char (&text)[kTemperatureTextSize]) {
    text[0] = '\0';
    SendMessageA(controls().stageTempEdit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
}

void setStageFlag(std::uint8_t bit, bool invalid) {
    stageFlags = static_cast<std::uint8_t>(invalid ? stageFlags | bit : stageFlags & ~bit);
    EnableWindow(controls().addStageButton, stageFlags == 0);
}

void reformat(TwoDigitField field) {
    HWND edit = fieldWindow(field);
    char text[3];
    twoDigitText(edit, text);
    char shown[kStampTextSize];
    reformattedText(field, text, shown);
    if (std::string_view(text) != shown) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown));
}

void recheckHold() {
    const MainControls& c = controls();
    setStageFlag(kHoldInvalidBit, holdInvalid(numberIn(c.holdHoursEdit), numberIn(c.holdMinutesEdit)));
}

void onStartFieldChanged(HWND window, TwoDigitField field) {
    const MainControls& c = controls();
    const StartFieldNumbers numbers{numberIn(c.startDayEdit), numberIn(c.startMonthEdit), numberIn(c.startYearEdit),
                                    numberIn(c.startHourEdit), numberIn(c.startMinuteEdit)};
    // The field's number goes into the start moment, valid or not.
    switch (field) {
    case TwoDigitField::startDay: input.wDay = static_cast<WORD>(numbers.day); break;
    case TwoDigitField::startMonth: input.wMonth = static_cast<WORD>(numbers.month); break;
    case TwoDigitField::startYear: input.wYear = static_cast<WORD>(numbers.year); break;
    case TwoDigitField::startHour: input.wHour = static_cast<WORD>(numbers.hour); break;
    case TwoDigitField::startMinute: input.wMinute = static_cast<WORD>(numbers.minute); break;
    default: return;
    }
    flags = recheckStartField(flags, field, numbers);

    if (!startMomentValid()) {
        blankSchedule(window);
        return;
    }
    recomputeSchedule(window);
    if (settings().stageCount == 0) return;
    const bool past = refreshProgramPast();
    if (linkIsUp()) EnableWindow(c.runButton, !past);
}

void moveFocus(TwoDigitField from, int code) {
    HWND target = fieldWindow(focusTarget(from, code));
    if (!target) return;
    SetFocus(target);
    const WPARAM caret = code == fieldLeftAtStart ? 2 : 0;
    SendMessageA(target, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

}  // namespace

SYSTEMTIME& startInput() { return input; }
std::uint8_t startMomentFlags() { return flags; }
bool startMomentValid() { return (flags & kStartFieldsInvalidMask) == 0; }
std::uint8_t stageInputFlags() { return stageFlags; }

bool refreshProgramPast() {
    if (settings().stageCount != 0) {
        SYSTEMTIME now;
        const bool past = startMomentReached(now);
        flags = static_cast<std::uint8_t>(past ? flags | kProgramPastBit : flags & ~kProgramPastBit);
    }
    return (flags & kProgramPastBit) != 0;
}

void recheckStageInput() {
    const MainControls& c = controls();
    char temperature[kTemperatureTextSize];
    temperatureText(temperature);
    char hours[3];
    char minutes[3];
    twoDigitText(c.holdHoursEdit, hours);
    twoDigitText(c.holdMinutesEdit, minutes);
    stageFlags = stageInputFlagsFor(temperature, hours, minutes);
    EnableWindow(c.addStageButton, stageFlags == 0);
}

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

void onValueKey(HWND, WPARAM wParam) {
    const HWND from = reinterpret_cast<HWND>(wParam);
    const MainControls& c = controls();
    if (!from) return;
    if (from == c.setpointEdit) {
        if (linkIsUp()) EnableWindow(c.setButton, parseTemperature(from).valid);
    } else if (from == c.stageTempEdit) {
        char text[kTemperatureTextSize];
        temperatureText(text);
        setStageFlag(kStageTemperatureInvalidBit, !parseStageTemperature(text).valid);
    }
}

void onFieldKey(HWND window, WPARAM wParam, LPARAM lParam) {
    const TwoDigitField field = fieldOf(reinterpret_cast<HWND>(wParam));
    if (field == TwoDigitField::none) return;
    switch (lParam) {
    case fieldLeft: reformat(field); break;
    case fieldChanged:
        if (field == TwoDigitField::holdHours || field == TwoDigitField::holdMinutes) recheckHold();
        else onStartFieldChanged(window, field);
        break;
    case fieldTab:
    case fieldLeftAtStart:
    case fieldRightAtEnd: moveFocus(field, static_cast<int>(lParam)); break;
    }
}

void resetInputFields() {
    input = SYSTEMTIME{};
    flags = 0;
    stageFlags = 0;
}
