#include "app/main_window.h"

#include <commctrl.h>

#include "app/help.h"
#include "app/painting.h"
#include "app/settings.h"
#include "app/startup.h"
#include "control/run.h"
#include "link/connection.h"
#include "link/port_list.h"
#include "link/protocol.h"
#include "link/serial_port.h"
#include "link/temperature.h"
#include "link/temperature_edit.h"
#include "platform/scoped_handles.h"
#include "platform/tool_info.h"
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"
#include "recording/recording.h"
#include "resources/resource.h"

namespace {

// Everything the window keeps, in one place.
struct WindowState {
    MainControls controls{};
    MainFonts fonts{};
    GdiObject ownedFonts[6];
    GdiObject logo;
    int height = 0;
    // Set once WM_CREATE has finished: a window whose creation failed saves
    // nothing when it is destroyed.
    bool built = false;
};
WindowState state;
MainControls& mainControls = state.controls;
MainFonts& mainFonts = state.fonts;

constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;
constexpr DWORD kTemperatureEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kStageListStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_NOCOLUMNHEADER;
constexpr DWORD kStageListExStyle = LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_FULLROWSELECT;
constexpr COLORREF kTipBackground = 0x00FFFFC0;

const char kCloseQuestion[] =
    "    Закрытие программы прервёт процесс            \n\r"
    "автоматического управления термостатом.\n\r"
    "    При последующем запуске программа возобновит\n\r"
    "управление, начиная с этапа, соответствующего\n\r"
    "реальному времени момента запуска.\n\n\r"
    "    Закрыть программу?\n\r";

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
    c.recordButton = createButton(window, "Запись в файл", 10, 245, 120);
    EnableWindow(c.recordButton, FALSE);
    c.runButton = createButton(window, "Начать работу с момента >>", 157, 27, 180);
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
    char text[kTemperatureTextSize];
    formatTemperature(200, text);
    c.stageTempEdit = createTemperatureEdit(window, text, ES_RIGHT, 198, 246, 49, 15);

    c.startDayEdit = createTwoDigitEdit(window, 342, 31, ES_RIGHT);
    c.startMonthEdit = createTwoDigitEdit(window, 363, 31, ES_CENTER);
    c.startYearEdit = createTwoDigitEdit(window, 385, 31, ES_LEFT);
    c.startHourEdit = createTwoDigitEdit(window, 410, 31, ES_RIGHT);
    c.startMinuteEdit = createTwoDigitEdit(window, 435, 31, ES_LEFT);
    c.holdHoursEdit = createTwoDigitEdit(window, 278, 246, ES_RIGHT);
    c.holdMinutesEdit = createTwoDigitEdit(window, 304, 246, ES_RIGHT);
    SetWindowTextA(c.holdHoursEdit, "3");
    SetWindowTextA(c.holdMinutesEdit, "00");

    c.addStageButton = createButton(window, "Добавить этап", 155, 275, 153);
    c.clearListButton = createButton(window, "Очистить список", 324, 275, 153);
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
    addButtonTool(window, c.recordButton, " Сохранять значение температуры в файл ");
    addButtonTool(window, c.runButton, " Начать автоматическое управление термостатом по заданному алгоритму ");
    addButtonTool(window, c.addStageButton, " Добавить этап программы в конец списка этапов ");
    addButtonTool(window, c.clearListButton, "Удалить все этапы из списка");
}

// What the window holds beyond its child controls: the record file, the
// port, fonts, bitmap, help menu and the tooltip control.
void releaseResources() {
    closeRecordFile();
    if (portOpen()) closePort();
    for (GdiObject& font : state.ownedFonts) font.reset();
    mainFonts = MainFonts{};
    state.logo.reset();
    destroyHelpMenu();
    // The tooltip has no owner; without this it would outlive the window and
    // keep tools that point at it.
    if (mainControls.toolTip) DestroyWindow(mainControls.toolTip);
    mainControls.toolTip = nullptr;
}

void showSetpoint(TemperatureCode code) {
    char text[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(code), text);
    SendMessageA(mainControls.setpointEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// What the link reports, and what follows from it for the controls, the
// run and the recording.

void onLinkConnected(HWND window, TemperatureCode maintained) {
    const MainControls& c = mainControls;
    showSetpoint(maintained);
    EnableWindow(c.connectButton, TRUE);
    EnableWindow(c.portCombo, TRUE);
    ShowWindow(c.connectButton, SW_HIDE);
    ShowWindow(c.portCombo, SW_HIDE);
    EnableWindow(c.recordButton, TRUE);
    InvalidateRect(window, &linkPanelRect, TRUE);

    if (runActive() && resumeRun(window)) return;
    // No run, or one that did not resume: an idle connection.
    if (parseTemperature(c.setpointEdit).valid) EnableWindow(c.setButton, TRUE);
    SYSTEMTIME now;
    EnableWindow(c.runButton, startMomentReached(now) ? FALSE : TRUE);
}

void onLinkStatusChanged(HWND window, bool measuredChanged, bool maintainedChanged, TemperatureCode maintained) {
    if (measuredChanged) InvalidateRect(window, &readoutRect, FALSE);
    if (!maintainedChanged) return;
    // The bath now keeps another temperature than the running stage asks
    // for (changed at its own panel, say): the stage's temperature again.
    if (runWantsResend()) queueSetCommand();
    showSetpoint(maintained);
}

void onLinkLost(HWND) { EnableWindow(mainControls.setButton, FALSE); }

void onLinkGivenUp(HWND window, LinkState from) {
    const MainControls& c = mainControls;
    EnableWindow(c.runButton, FALSE);
    EnableWindow(c.recordButton, FALSE);
    endRecording();
    EnableWindow(c.connectButton, TRUE);
    EnableWindow(c.portCombo, TRUE);
    // The first attempt since start-up passes silently, and a run read from
    // the file does not survive it.
    if (from == linkStartUp) {
        abandonRun();
        return;
    }
    ShowWindow(c.portCombo, SW_SHOW);
    ShowWindow(c.connectButton, SW_SHOW);
    InvalidateRect(window, &linkPanelRect, TRUE);
    if (from == linkLost && runActive()) stopRun(window, false);
}

bool confirmationsQuiet() { return runActive(); }

void repaintRunState(HWND window) {
    InvalidateRect(window, &setpointBoxRect, FALSE);
    InvalidateRect(window, &startMomentStripRect, FALSE);
}

void onSetButton(HWND) {
    const ParsedTemperature typed = parseTemperature(mainControls.setpointEdit);
    if (typed.valid) queueSetCommand(typed.code);
}

// Every module's state as at program start: the window is made once per run
// of the program, and again by each in-process test.
void resetModules() {
    resetLink();
    resetPortList();
    resetRun();
    resetStageList();
    resetInputFields();
    resetRecording();
}

LRESULT onCreate(HWND window) {
    state.controls = MainControls{};
    state.built = false;
    mainControls.window = window;
    resetModules();
    setLinkReports(LinkReports{onLinkConnected, onLinkStatusChanged, onLinkLost, onLinkGivenUp, confirmationsQuiet});

    state.logo.reset(blendLogoBackground(LoadBitmapA(appInstance(), MAKEINTRESOURCEA(IDB_LOGO))));
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
    state.height = client.bottom - client.top;

    createStageList(window);
    createStageInputs(window);
    createToolTip(window);
    initRecording(window, mainControls.recordButton, mainControls.toolTip);

    const MainControls& c = mainControls;
    attachRunView(RunView{c.runButton, c.stageList, c.setpointEdit, c.setButton, c.toolTip, c.startYearEdit,
                          c.startMonthEdit, c.startDayEdit, c.startHourEdit, c.startMinuteEdit, repaintRunState});

    fillStageList(window);
    // A stored start moment makes every start connect by itself, when the
    // saved port is listed; a port that cannot be opened is not reported.
    // Only then is the stored start moment restored.
    const bool connectNow = settings().startYear != 0 && autoConnectAllowed();
    if (connectNow) connectChosenPort(window, c.portCombo, c.connectButton);
    setUpStartMoment(connectNow);
    recomputeSchedule(window);
    keepRunOnlyIfAhead();

    if (settings().stageCount == 0) {
        EnableWindow(c.clearListButton, FALSE);
        EnableWindow(c.runButton, FALSE);
    }
    state.built = true;
    return 0;
}

LRESULT onClose(HWND window, WPARAM wParam, LPARAM lParam) {
    if (linkIsUp() && runActive()) {
        const int answer = MessageBoxA(window, kCloseQuestion, kMainWindowTitle,
                                       MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2);
        if (answer != IDYES) return 0;
    }
    return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

LRESULT onDestroy(HWND) {
    // A creation that failed released what it had made and posted WM_QUIT.
    if (!state.built) return 0;
    state.built = false;
    storeStartMoment();
    releaseResources();
    mainControls = MainControls{};
    PostQuitMessage(0);
    return 0;
}

void onExchangeTimer(HWND window) {
    recordStep(window);
    if (!runMinuteTick(window)) return;  // the run ended: this tick sends nothing
    onExchangeTick(window);
}

void onTimer(HWND window, WPARAM id) {
    switch (id) {
    case exchangeTimer: onExchangeTimer(window); break;
    case replyTimer: onReplyTimeout(window); break;
    case stageTooltipTimer: onStageTooltipTimer(window); break;
    case runTooltipTimer: onRunTooltipTimer(window); break;
    }
}

// Controls have no identifiers: a command is told apart by the sending
// control's handle. Any command from a button counts as a click.
void onCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    const MainControls& c = mainControls;
    if (!from) onHelpCommand(window, wParam);
    else if (from == c.connectButton) onConnectButton(window, c.portCombo, c.connectButton);
    else if (from == c.portCombo) onPortComboCommand(wParam, c.portCombo, c.connectButton);
    else if (from == c.addStageButton) onAddStageButton(window);
    else if (from == c.clearListButton) onClearListButton(window);
    else if (from == c.setButton) onSetButton(window);
    else if (from == c.recordButton) onRecordButton(window);
    else if (from == c.runButton) onRunButton(window);
}

void onNotify(HWND window, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && mainControls.stageList && header->hwndFrom == mainControls.stageList) onStageListNotify(window, header);
}

}  // namespace

const MainControls& controls() { return mainControls; }
const MainFonts& fonts() { return mainFonts; }
HBITMAP logoBitmap() { return state.logo.bitmap(); }
int clientHeight() { return state.height; }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: onHelpMouseMove(window, lParam); return 0;
    case WM_LBUTTONDOWN: onHelpClick(window, lParam); return 0;
    case WM_TIMER: onTimer(window, wParam); return 0;
    case ReplyArrived: onReplyArrived(window); return 0;
    case WM_PAINT: return paintMainWindow(window);
    case ValueKey: onValueKey(window, wParam); return 0;
    case FieldKey: onFieldKey(window, wParam, lParam); return 0;
    case WM_COMMAND: onCommand(window, wParam, lParam); return 0;
    case WM_NOTIFY: onNotify(window, lParam); return 0;
    case WM_CREATE: return onCreate(window);
    case WM_DESTROY: return onDestroy(window);
    case WM_CLOSE: return onClose(window, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
