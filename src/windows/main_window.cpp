#include "main_window.h"

#include <commctrl.h>

#include "alerts_dialog.h"
#include "alerts_files.h"
#include "chart_window.h"
#include "http_sender.h"
#include "edit_fields.h"
#include "front.h"
#include "help.h"
#include "journal_writer.h"
#include "painting.h"
#include "startup.h"
#include "window_seat.h"
#include "port_list.h"
#include "serial_port.h"
#include "scoped_handles.h"
#include "tool_info.h"
#include "program/input_fields.h"
#include "program/input_rules.h"
#include "record_dialog.h"
#include "resource.h"

namespace {

// Everything the window keeps, in one place.
struct WindowState {
    GdiObject ownedFonts[6];
    GdiObject logo;
    // Set once WM_CREATE has finished: a window whose creation failed saves
    // nothing when it is destroyed.
    bool built = false;
};
WindowState state;
MainControls& mainControls = windowControls();
MainFonts& mainFonts = windowFonts();

constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;
constexpr DWORD kTemperatureEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kStageListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_NOCOLUMNHEADER;
constexpr DWORD kStageListExStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;
constexpr COLORREF kTipBackground = 0x00FFFFC0;

// Background points of our logo (src/resources/logo.bmp): the white field
// around the drawing, the corner beside the red bar's foot, and the two
// gaps under the wave's crests.
constexpr POINT kLogoBackgroundPoints[] = {{0, 0}, {16, 14}, {20, 14}, {3, 12}, {9, 12}};

HBITMAP blendLogoBackground(HBITMAP bitmap) {
    if (!bitmap) return bitmap;
    MemoryDC memory(nullptr);
    if (!memory.get()) return bitmap;
    SelectedObject selectedBitmap(memory.get(), bitmap);
    GdiObject face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    SelectedObject selectedBrush(memory.get(), face.get());
    for (const POINT& point : kLogoBackgroundPoints) {
        const COLORREF colour = GetPixel(memory.get(), point.x, point.y);
        if (colour != CLR_INVALID) ExtFloodFill(memory.get(), point.x, point.y, colour, FLOODFILLSURFACE);
    }
    return bitmap;
}

HFONT makeFont(const char* face, int fontHeight, int width, int weight, bool italic) {
    return CreateFontA(fontHeight, width, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, RUSSIAN_CHARSET, 0, 0,
                       0, FF_SWISS | DEFAULT_PITCH, face);
}

void createFonts() {
    MainFonts& f = mainFonts;
    f.captionFont = makeFont("MS Sans Serif", 8, 0, 0, false);
    f.boldFont = makeFont("MS Sans Serif", 8, 0, 700, false);
    f.readoutFont = makeFont("Arial", 32, 0, 700, false);
    f.unitFont = makeFont("Arial", 32, 10, 700, false);
    f.brandFont = makeFont("Arial", 20, 0, 800, false);
    f.helpFont = makeFont("Arial", 15, 9, 800, true);
    const HFONT made[] = {f.captionFont, f.boldFont, f.readoutFont, f.unitFont, f.brandFont, f.helpFont};
    for (int i = 0; i < 6; ++i) state.ownedFonts[i].reset(made[i]);
}

HWND createChild(HWND window, const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y,
                 int width, int controlHeight) {
    return CreateWindowExA(exStyle, className, text, style, x, y, width, controlHeight, window, nullptr,
                           appInstance(), nullptr);
}

void setFont(HWND control, HFONT font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

HWND createButton(HWND window, const char* text, int x, int y, int width) {
    HWND button = createChild(window, "BUTTON", text, kButtonStyle, 0, x, y, width, 22);
    setFont(button, mainFonts.boldFont);
    return button;
}

HWND createTemperatureEdit(HWND window, const char* text, DWORD alignment, int x, int y, int width, int editHeight) {
    HWND edit = createChild(window, "EDIT", text, kTemperatureEditStyle | alignment, 0, x, y, width, editHeight);
    setFont(edit, mainFonts.boldFont);
    SendMessageA(edit, EM_LIMITTEXT, 4, 0);
    subclassTemperatureEdit(edit);
    return edit;
}

void createPanelControls(HWND window) {
    MainControls& c = mainControls;
    c.connectButton = createButton(window, "Подключиться", 22, 74, 96);
    c.setpointEdit = createTemperatureEdit(window, "", ES_CENTER, 45, 168, 33, 16);
    c.setButton = createButton(window, "Установить", 30, 198, 80);
    EnableWindow(c.setButton, FALSE);
    // The engine gives the record and run buttons their captions.
    c.recordButton = createButton(window, "", 10, 245, 120);
    EnableWindow(c.recordButton, FALSE);
    c.runButton = createButton(window, "", 157, 27, 180);
    EnableWindow(c.runButton, FALSE);
}

void createStageList(HWND window) {
    HWND list = createChild(window, WC_LISTVIEWA, nullptr, kStageListStyle, 0, 157, 69, 317, 155);
    mainControls.stageList = list;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kStageListExStyle);
    constexpr int widths[] = {40, 80, 60, 70, 50};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        column.fmt = LVCFMT_CENTER;
        column.cx = widths[i];
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void createStageInputs(HWND window) {
    MainControls& c = mainControls;
    // The engine writes the fields' first texts.
    c.stageTempEdit = createTemperatureEdit(window, "", ES_RIGHT, 198, 246, 49, 15);

    c.startDayEdit = createTwoDigitEdit(window, 342, 31, ES_RIGHT, mainFonts.boldFont);
    c.startMonthEdit = createTwoDigitEdit(window, 363, 31, ES_CENTER, mainFonts.boldFont);
    c.startYearEdit = createTwoDigitEdit(window, 385, 31, ES_LEFT, mainFonts.boldFont);
    c.startHourEdit = createTwoDigitEdit(window, 410, 31, ES_RIGHT, mainFonts.boldFont);
    c.startMinuteEdit = createTwoDigitEdit(window, 435, 31, ES_LEFT, mainFonts.boldFont);
    c.holdHoursEdit = createTwoDigitEdit(window, 278, 246, ES_RIGHT, mainFonts.boldFont);
    c.holdMinutesEdit = createTwoDigitEdit(window, 304, 246, ES_RIGHT, mainFonts.boldFont);

    // The stage list gives its two buttons their captions.
    c.addStageButton = createButton(window, "", 155, 275, 153);
    c.clearListButton = createButton(window, "", 324, 275, 153);
}

void addTool(HWND window, UINT flags, UINT_PTR id, RECT area, const char* text) {
    TOOLINFOA tool = toolRecord(window, id, text);
    tool.uFlags = flags;
    tool.rect = area;
    SendMessageA(mainControls.toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void addButtonTool(HWND window, HWND button, const char* text) {
    addTool(window, TTF_IDISHWND | TTF_SUBCLASS, reinterpret_cast<UINT_PTR>(button), RECT{}, text);
}

void createToolTip(HWND window) {
    const MainControls& c = mainControls;
    mainControls.toolTip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr,
                                           nullptr);
    SendMessageA(c.toolTip, TTM_SETTIPBKCOLOR, kTipBackground, 0);
    SendMessageA(c.toolTip, TTM_SETTIPTEXTCOLOR, 0, 0);
    addTool(window, TTF_SUBCLASS, 50, helpAreaRect, " Щёлкните здесь для получения справки о программе.");
    addTool(window, TTF_SUBCLASS, 51, RECT{337, 49, 407, 69}, "Дата начала этапа");
    addTool(window, TTF_SUBCLASS, 52, RECT{407, 49, 457, 69}, "Время начала этапа");
    addButtonTool(window, c.setButton, " Установить температуру в термостате ");
    // The texts of these four follow the engine's state; it sets them.
    addButtonTool(window, c.recordButton, "");
    addButtonTool(window, c.runButton, "");
    addButtonTool(window, c.addStageButton, "");
    addButtonTool(window, c.clearListButton, "");
}

// What the window holds beyond its child controls: the record file, the
// port, fonts, bitmap, help menu and the tooltip control.
void releaseResources() {
    closeRecordFile();
    if (portOpen()) closePort();
    for (GdiObject& font : state.ownedFonts) font.reset();
    mainFonts = MainFonts{};
    setLogoBitmap(nullptr);
    state.logo.reset();
    destroyHelpMenu();
    // The tooltip has no owner; without this it would outlive the window and
    // keep tools that point at it.
    if (mainControls.toolTip) DestroyWindow(mainControls.toolTip);
    mainControls.toolTip = nullptr;
}

// The Windows side's own state as at program start: the window is made once
// per run of the program, and again by each in-process test.
void resetWindowModules() {
    resetPort();
    closeRecordFile();
}

// The chart's item in the window's system menu; system commands keep their
// low four bits for the system.
constexpr UINT kChartCommand = 0x0110;
constexpr UINT kAlertsCommand = 0x0120;

void addChartMenuItem(HWND window) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kChartCommand, "График температуры…");
    AppendMenuA(menu, MF_STRING, kAlertsCommand, "Оповещения…");
}

LRESULT onSysCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) == kChartCommand) {
        openChartWindow(window);
        return 0;
    }
    if ((wParam & 0xFFF0) == kAlertsCommand) {
        runAlertsDialog(window);
        return 0;
    }
    return DefWindowProcA(window, WM_SYSCOMMAND, wParam, lParam);
}

void onDoubleClick(HWND window, LPARAM lParam) {
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (PtInRect(&readoutRect, at) && readoutOpensChart()) openChartWindow(window);
}

LRESULT onCreate(HWND window) {
    mainControls = MainControls{};
    state.built = false;
    mainControls.window = window;
    resetWindowModules();
    setWindowSeat(window);
    resetEngine();

    state.logo.reset(blendLogoBackground(LoadBitmapA(appInstance(), MAKEINTRESOURCEA(IDB_LOGO))));
    setLogoBitmap(state.logo.bitmap());
    createFonts();
    createHelpMenu();

    mainControls.portCombo = createChild(window, "COMBOBOX", nullptr,
                                         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST,
                                         WS_EX_CLIENTEDGE, 38, 43, 64, 100);
    setFont(mainControls.portCombo, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    if (!listPorts(window, mainControls.portCombo)) {
        // The operator gave up: the window is never shown, nothing is saved
        // and the message loop is told to end.
        releaseResources();
        PostQuitMessage(0);
        return -1;
    }

    createPanelControls(window);

    RECT client;
    GetClientRect(window, &client);
    setClientHeight(client.bottom - client.top);

    createStageList(window);
    createStageInputs(window);
    createToolTip(window);
    addChartMenuItem(window);

    startJournalWriter(window);
    startHttpSender(window);
    std::string alertsIni;
    std::string alertsQueue;
    const bool alertsThere = readAlertsSettings(alertsIni);
    readAlertsQueue(alertsQueue);
    setEngineAlertFiles(alertsThere, alertsIni.data(), alertsIni.size(), alertsQueue.data(), alertsQueue.size(),
                        computerName().c_str());
    startEngine();
    state.built = true;
    return 0;
}

LRESULT onClose(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!closeAllowed()) return 0;
    return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

LRESULT onDestroy(HWND) {
    // A creation that failed released what it had made and posted WM_QUIT.
    if (!state.built) return 0;
    state.built = false;
    closeChartWindow();
    stopEngine();
    // Alerts still being sent get 3 s; the queue file keeps the rest.
    stopHttpSender(3000);
    stopJournalWriter();
    releaseResources();
    mainControls = MainControls{};
    PostQuitMessage(0);
    return 0;
}

void onHttpAnswered(WPARAM id) {
    HttpAnswer answer;
    if (takeHttpAnswer(id, answer)) onEngineHttpAnswer(answer.id, answer.status, answer.reason.c_str());
}

void onReply() {
    // A reply to a request since superseded, or from a port since closed.
    if (!replyIsCurrent()) return;
    onEngineReply(replyBytes(), replyLength());
}

void onPortComboCommand(WPARAM wParam) {
    switch (HIWORD(wParam)) {
    case CBN_SELCHANGE: {
        const LRESULT selected = SendMessageA(mainControls.portCombo, CB_GETCURSEL, 0, 0);
        onPortChosen(selected == CB_ERR ? -1 : static_cast<int>(selected));
        break;
    }
    case CBN_CLOSEUP: SetFocus(mainControls.connectButton); break;
    }
}

// A field's text changed, by a key, a paste, a cut or an undo: it is checked
// as typed text is. What the engine writes itself it has checked already.
void onFieldTextChanged(Control control, HWND field) {
    if (engineChangesControl() || control == Control::count) return;
    // Room for what a field may hold: the program writes up to 5 characters
    // into the 4-character temperature fields.
    char text[16] = {};
    GetWindowTextA(field, text, sizeof text);
    onEngineTextChanged(control, text);
}

// Controls have no identifiers: a command is told apart by the sending
// control's handle. Any command from a button counts as a click.
void onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    if (!from) {
        onHelpCommand(window, wParam);
        return;
    }
    if (from == mainControls.portCombo) {
        onPortComboCommand(wParam);
        return;
    }
    const Control control = controlOfWindow(from);
    if (HIWORD(wParam) == EN_CHANGE) {
        onFieldTextChanged(control, from);
        return;
    }
    onEngineButton(control);
}

void onNotify(LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || !mainControls.stageList || header->hwndFrom != mainControls.stageList) return;
    if (header->code == LVN_ITEMCHANGED) {
        // The operator's click or key moved the mark; the engine's own
        // changes of the list it knows.
        if (!engineChangesControl())
            onEngineRowMarked(static_cast<int>(SendMessageA(mainControls.stageList, LVM_GETSELECTIONMARK, 0, 0)));
    } else if (header->code == NM_DBLCLK) {
        onEngineStageDoubleClick();
    } else if (header->code == LVN_KEYDOWN) {
        const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_DELETE) onEngineStageDeleteKey();
    }
}

void onValueKey(WPARAM wParam) {
    const Control field = controlOfWindow(reinterpret_cast<HWND>(wParam));
    if (field != Control::count) onEngineValueKey(field);
}

void onFieldKey(WPARAM wParam, LPARAM lParam) {
    const Control control = controlOfWindow(reinterpret_cast<HWND>(wParam));
    const TwoDigitField field = twoDigitFieldOf(control);
    if (field == TwoDigitField::none) return;
    switch (lParam) {
    case fieldLeft: onEngineFieldLeft(control); break;
    case fieldChanged: onEngineFieldChanged(control); break;
    case fieldTab:
    case fieldLeftAtStart:
    case fieldRightAtEnd:
        moveFieldFocus(controlWindow(controlOf(focusTarget(field, static_cast<int>(lParam)))),
                       static_cast<int>(lParam));
        break;
    }
}

}  // namespace

HWND createMainWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = mainWindowProc;
        windowClass.hInstance = appInstance();
        windowClass.hIcon = programIcon();
        windowClass.hCursor = arrowCursor();
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kMainWindowClass;
        registered = RegisterClassExA(&windowClass) != 0;
    }
    constexpr int kWindowWidth = 510;
    constexpr int kWindowHeight = 350;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                           kWindowWidth, kWindowHeight, nullptr, nullptr, appInstance(), nullptr);
}


LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: onHelpMouseMove(window, lParam); return 0;
    case WM_LBUTTONDOWN: onHelpClick(window, lParam); return 0;
    case WM_LBUTTONDBLCLK: onDoubleClick(window, lParam); return 0;
    case WM_SYSCOMMAND: return onSysCommand(window, wParam, lParam);
    case JournalWritten: onEngineJournalWritten(wParam != 0); return 0;
    case HttpAnswered: onHttpAnswered(wParam); return 0;
    case WM_TIMER: onEngineTimer(wParam); return 0;
    case ReplyArrived: onReply(); return 0;
    case WM_PAINT: return paintMainWindow(window);
    case ValueKey: onValueKey(wParam); return 0;
    case FieldKey: onFieldKey(wParam, lParam); return 0;
    case WM_COMMAND: onCommand(window, wParam, lParam); return 0;
    case WM_NOTIFY: onNotify(lParam); return 0;
    case WM_CREATE: return onCreate(window);
    case WM_DESTROY: return onDestroy(window);
    case WM_CLOSE: return onClose(window, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void mainWindowShown(HWND) { onEngineWindowShown(); }
