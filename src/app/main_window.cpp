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
#include "program/clock_stamp.h"
#include "program/input_fields.h"
#include "program/stage_list.h"
#include "recording/recording.h"
#include "resources/resource.h"

namespace {

MainControls mainControls;
MainFonts mainFonts;
HBITMAP logo;
int height;
// Set when the operator cancelled the port search: the window was left
// half-built and is closed without saving anything.
bool constructionAbandoned;

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

// Background points of our logo (src/resources/logo.bmp): its white field is
// one connected area, and each of these lies in it.
constexpr POINT kLogoBackgroundPoints[] = {{0, 0}, {10, 0}, {4, 5}, {14, 7}, {7, 3}};

HBITMAP blendLogoBackground(HBITMAP bitmap) {
    if (!bitmap) return bitmap;
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) return bitmap;
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldBrush = SelectObject(memory, face);
    for (const POINT& point : kLogoBackgroundPoints) {
        const COLORREF colour = GetPixel(memory, point.x, point.y);
        if (colour != CLR_INVALID) ExtFloodFill(memory, point.x, point.y, colour, FLOODFILLSURFACE);
    }
    SelectObject(memory, oldBrush);
    DeleteObject(face);
    SelectObject(memory, oldBitmap);
    DeleteDC(memory);
    return bitmap;
}

HFONT makeFont(const char* face, int fontHeight, int width, int weight, bool italic) {
    return CreateFontA(fontHeight, width, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, RUSSIAN_CHARSET, 0, 0,
                       0, FF_SWISS | DEFAULT_PITCH, face);
}

void createFonts() {
    mainFonts.captionFont = makeFont("MS Sans Serif", 8, 0, 0, false);
    mainFonts.boldFont = makeFont("MS Sans Serif", 8, 0, 700, false);
    mainFonts.readoutFont = makeFont("Arial", 32, 0, 700, false);
    mainFonts.unitFont = makeFont("Arial", 32, 10, 700, false);
    mainFonts.brandFont = makeFont("Arial", 20, 0, 800, false);
    mainFonts.helpFont = makeFont("Arial", 15, 9, 800, true);
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
    TOOLINFOA tool = {};
    // The version 1 record: Wine drops the text of a record whose size it
    // does not know, and sizeof differs between the 32- and 64-bit builds.
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = flags;
    tool.hwnd = window;
    tool.uId = id;
    tool.rect = area;
    tool.lpszText = const_cast<char*>(text);
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
    HFONT* all[] = {&mainFonts.captionFont, &mainFonts.boldFont, &mainFonts.readoutFont,
                    &mainFonts.unitFont,    &mainFonts.brandFont, &mainFonts.helpFont};
    for (HFONT* font : all) {
        if (*font) DeleteObject(*font);
        *font = nullptr;
    }
    if (logo) DeleteObject(logo);
    logo = nullptr;
    destroyHelpMenu();
    // The tooltip has no owner; without this it would outlive the window and
    // keep tools that point at it.
    if (mainControls.toolTip) DestroyWindow(mainControls.toolTip);
    mainControls.toolTip = nullptr;
}

LRESULT onCreate(HWND window) {
    mainControls = MainControls{};
    mainControls.window = window;
    constructionAbandoned = false;

    logo = blendLogoBackground(LoadBitmapA(appInstance(), MAKEINTRESOURCEA(IDB_LOGO)));
    createFonts();
    createHelpMenu();

    mainControls.portCombo = createChild(window, "COMBOBOX", nullptr,
                                         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | CBS_DROPDOWNLIST,
                                         WS_EX_CLIENTEDGE, 38, 43, 64, 100);
    setFont(mainControls.portCombo, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    if (!listPorts(window, mainControls.portCombo)) {
        // The operator gave up: nothing is saved and the program ends. The
        // posted close takes the half-built window away before WM_QUIT.
        constructionAbandoned = true;
        releaseResources();
        PostMessageA(window, WM_CLOSE, 0, 0);
        PostQuitMessage(0);
        return 0;
    }

    createPanelControls(window);

    RECT client;
    GetClientRect(window, &client);
    height = client.bottom - client.top;

    createStageList(window);
    createStageInputs(window);
    createToolTip(window);
    initRecording(window, mainControls.recordButton, mainControls.toolTip);

    fillStageList(window);
    setUpStartMoment(window);
    recomputeSchedule(window);

    SYSTEMTIME now;
    if (settings().runFlag != kFlagOff && startMomentReached(now)) settings().runFlag = kFlagOff;
    if (settings().stageCount == 0) {
        EnableWindow(mainControls.clearListButton, FALSE);
        EnableWindow(mainControls.runButton, FALSE);
    }
    return 0;
}

LRESULT onClose(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!constructionAbandoned && linkIsUp() && settings().runFlag != kFlagOff) {
        const int answer = MessageBoxA(window, kCloseQuestion, kMainWindowTitle,
                                       MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2);
        if (answer != IDYES) return 0;
    }
    return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

LRESULT onDestroy(HWND) {
    if (constructionAbandoned) {
        // Released when the construction stopped; WM_QUIT is already posted.
        constructionAbandoned = false;
        mainControls = MainControls{};
        return 0;
    }
    if (startMomentValid()) {
        const ClockStamp start = copyStartMoment(startInput());
        SettingsRecord& record = settings();
        record.startYear = static_cast<std::uint16_t>(start.year);
        record.startMonth = static_cast<std::uint16_t>(start.month);
        record.startDay = static_cast<std::uint16_t>(start.day);
        record.startHour = static_cast<std::uint16_t>(start.hour);
        record.startMinute = static_cast<std::uint16_t>(start.minute);
        saveSettings();
    }
    releaseResources();
    mainControls = MainControls{};
    PostQuitMessage(0);
    return 0;
}

void onExchangeTimer(HWND window) {
    recordStep(window);
    runMinuteTick(window);
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
    else if (from == c.connectButton) onConnectButton(window);
    else if (from == c.portCombo) onPortComboCommand(window, wParam);
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
HBITMAP logoBitmap() { return logo; }
int clientHeight() { return height; }

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
