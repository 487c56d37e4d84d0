#include "alerts_dialog.h"
#include "alerts_files.h"
#include "chart_window.h"
#include "http_sender.h"
#include "text_code.h"
#include "journal_writer.h"
#include "window_seat.h"

#include <commctrl.h>

#include <cstring>

#include "clock.h"
#include "controls.h"
#include "painting.h"
#include "settings_file.h"
#include "serial_port.h"
#include "tool_info.h"
#include "record_dialog.h"

// The engine's box styles and answers are the system's own values.
static_assert(box::ok == MB_OK && box::okCancel == MB_OKCANCEL && box::retryCancel == MB_RETRYCANCEL &&
              box::yesNo == MB_YESNO && box::iconQuestion == MB_ICONQUESTION &&
              box::iconExclamation == MB_ICONEXCLAMATION && box::iconInformation == MB_ICONINFORMATION &&
              box::defaultButton2 == MB_DEFBUTTON2);
static_assert(box::answerOk == IDOK && box::answerCancel == IDCANCEL && box::answerRetry == IDRETRY &&
              box::answerYes == IDYES && box::answerNo == IDNO);

namespace {

// Where the run button sits; its width follows the run.
constexpr int kRunButtonX = 157;
constexpr int kRunButtonY = 27;
constexpr int kRunButtonHeight = 22;

HWND mainWindow;
// True while the engine writes a control's text or changes the list: the
// change it makes is not one of the operator's.
bool writing = false;

// Sends a message of the engine's to a control, marked as the engine's.
LRESULT engineSends(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    writing = true;
    const LRESULT result = SendMessageA(control, message, wParam, lParam);
    writing = false;
    return result;
}

void writeFrame(const std::uint8_t* frame, std::size_t n, std::size_t replyLength) {
    sendRequest(frame, n, replyLength);
}

bool openLine(const char* name) { return openPort(name, mainWindow); }
void closeLine() { closePort(); }

void startTimer(Timer timer, unsigned ms) { SetTimer(mainWindow, static_cast<UINT_PTR>(timer), ms, nullptr); }
void stopTimer(Timer timer) { KillTimer(mainWindow, static_cast<UINT_PTR>(timer)); }

int messageBox(const char* text, const char* caption, unsigned style) {
    return MessageBoxA(mainWindow, text, caption, style);
}

int messageBoxOverDialog(const char* text, const char* caption, unsigned style) {
    const HWND dialog = recordDialogWindow();
    return MessageBoxA(dialog ? dialog : mainWindow, text, caption, style);
}

struct BoxSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK findBox(HWND candidate, LPARAM parameter) {
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    char caption[64] = {};
    GetWindowTextA(candidate, caption, sizeof caption);
    if (std::strcmp(caption, search->caption) != 0) return TRUE;
    search->found = candidate;
    return FALSE;
}

// Looked for among this thread's windows, so that a window of the same title
// elsewhere is never closed.
void closeBox(const char* caption) {
    BoxSearch search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) SendMessageA(search.found, WM_CLOSE, 0, 0);
}

void setText(Control control, const char* text) {
    engineSends(controlWindow(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void enable(Control control, bool on) { EnableWindow(controlWindow(control), on ? TRUE : FALSE); }
void show(Control control, bool on) { ShowWindow(controlWindow(control), on ? SW_SHOW : SW_HIDE); }
void focus(Control control) { SetFocus(controlWindow(control)); }

void setTip(Control control, const char* text) {
    if (!controls().toolTip) return;
    TOOLINFOA tool = toolRecord(mainWindow, reinterpret_cast<UINT_PTR>(controlWindow(control)), text);
    SendMessageA(controls().toolTip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void placeRunButton(int width) {
    MoveWindow(controls().runButton, kRunButtonX, kRunButtonY, width, kRunButtonHeight, TRUE);
}

void repaint(Part part) {
    switch (part) {
    case Part::linkPanel: InvalidateRect(mainWindow, &linkPanelRect, TRUE); break;
    case Part::readout: InvalidateRect(mainWindow, &readoutRect, FALSE); break;
    case Part::setpointBox: InvalidateRect(mainWindow, &setpointBoxRect, FALSE); break;
    case Part::startMomentStrip: InvalidateRect(mainWindow, &startMomentStripRect, FALSE); break;
    case Part::stageNumber: redrawStageNumber(mainWindow); break;
    case Part::stageStart: redrawStageStart(mainWindow); break;
    case Part::chart: chartWindowSecond(); break;
    }
}

HWND list() { return controls().stageList; }

void insertRow(int row, const char* number) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(number);
    engineSends(list(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void deleteRow(int row) { engineSends(list(), LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }
void deleteAllRows() { engineSends(list(), LVM_DELETEALLITEMS, 0, 0); }

void setCell(int row, int column, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}


void selectRow(int row, bool selected) {
    LVITEMA item = {};
    item.state = selected ? LVIS_SELECTED : 0;
    item.stateMask = selected ? LVIS_SELECTED : LVIS_SELECTED | LVIS_FOCUSED;
    engineSends(list(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void ensureRowVisible(int row) { SendMessageA(list(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE); }


void saveSettingsFile(const SettingsRecord& record) { writeSettingsFile(record); }

bool chooseRecordFile(RecordChoice& choice) { return runRecordDialog(mainWindow, choice); }
bool writeRecordLine(const char* text, std::size_t n) { return writeRecordFile(text, n); }

// The program's text goes out as UTF-8.
void sendRequest(std::uint64_t id, const char* method, const char* url, const char* contentType, const char* body,
                 std::size_t n) {
    queueHttpRequest(id, method, url, contentType, programToUtf8(body, n));
}
void endRecordFile() { closeRecordFile(); }

void keepAwake(bool on) { SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS); }

ClockReading readClockNow() {
    SYSTEMTIME now;
    std::int64_t universal = 0;
    readClock(now, universal);
    return ClockReading{LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, universal};
}

std::uint32_t ticks() { return tickCount(); }

}  // namespace

void setWindowSeat(HWND window) {
    mainWindow = window;
    setSeat(Seat{
        .line = {.writeFrame = writeFrame, .openPort = openLine, .closePort = closeLine},
        .timers = {.start = startTimer, .stop = stopTimer},
        .view = {.setText = setText,
                 .enable = enable,
                 .show = show,
                 .focus = focus,
                 .setTip = setTip,
                 .placeRunButton = placeRunButton,
                 .repaint = repaint,
                 .insertRow = insertRow,
                 .deleteRow = deleteRow,
                 .deleteAllRows = deleteAllRows,
                 .setCell = setCell,
                 .selectRow = selectRow,
                 .ensureRowVisible = ensureRowVisible},
        .boxes = {.show = messageBox, .close = closeBox, .showOverDialog = messageBoxOverDialog},
        .files = {.saveSettings = saveSettingsFile,
                  .chooseRecordFile = chooseRecordFile,
                  .probeRecordFile = probeRecordFile,
                  .makeRecordFile = makeRecordFile,
                  .writeRecordLine = writeRecordLine,
                  .closeRecordFile = endRecordFile,
                  .appendJournal = queueJournalLine,
                  .saveAlertQueue = writeAlertsQueue,
                  .saveAlertSettings = writeAlertsSettings},
        .net = {.send = sendRequest, .testAnswered = showAlertTestAnswer},
        .system = {.keepAwake = keepAwake, .clock = readClockNow, .tickCount = ticks},
    });
}

bool engineChangesControl() { return writing; }

HWND controlWindow(Control control) {
    const MainControls& c = controls();
    switch (control) {
    case Control::portCombo: return c.portCombo;
    case Control::connectButton: return c.connectButton;
    case Control::setpointEdit: return c.setpointEdit;
    case Control::setButton: return c.setButton;
    case Control::recordButton: return c.recordButton;
    case Control::runButton: return c.runButton;
    case Control::stageList: return c.stageList;
    case Control::stageTempEdit: return c.stageTempEdit;
    case Control::startDayEdit: return c.startDayEdit;
    case Control::startMonthEdit: return c.startMonthEdit;
    case Control::startYearEdit: return c.startYearEdit;
    case Control::startHourEdit: return c.startHourEdit;
    case Control::startMinuteEdit: return c.startMinuteEdit;
    case Control::holdHoursEdit: return c.holdHoursEdit;
    case Control::holdMinutesEdit: return c.holdMinutesEdit;
    case Control::addStageButton: return c.addStageButton;
    case Control::clearListButton: return c.clearListButton;
    case Control::count: break;
    }
    return nullptr;
}

Control controlOfWindow(HWND window) {
    if (!window) return Control::count;
    for (int i = 0; i < static_cast<int>(Control::count); ++i) {
        const auto control = static_cast<Control>(i);
        if (controlWindow(control) == window) return control;
    }
    return Control::count;
}
