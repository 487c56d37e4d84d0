// The main window as built: its controls, fonts, tooltips, the stage list's
// columns, the logo, and how commands are told apart by their sender.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "main_window.h"
#include "harness.h"
#include "edit_fields.h"
#include "window_support.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        setFakeLocalTime(2026, 3, 15, 9, 30);
        settingsPath = useSettingsFile(SettingsBytes{}.bytes());
        window = openMainWindow();
        ASSERT_TRUE(IsWindow(window));
    }
    void TearDown() override { closeMainWindow(window); }

    SerialPortsOverride ports{twoPorts()};
    std::string settingsPath;
    HWND window = nullptr;
};

struct ControlRow {
    const char* name;
    HWND MainControls::*field;
    const char* className;
    const char* text;
    DWORD style;
    DWORD exStyle;
    RECT place;  // left, top, right, bottom in client pixels
    bool enabled;
};

constexpr DWORD kButton = 0x50010F00;

const ControlRow kControls[] = {
    {"connectButton", &MainControls::connectButton, "Button", "Подключиться", kButton, 0, {22, 74, 118, 96}, true},
    {"setpointEdit", &MainControls::setpointEdit, "Edit", "", 0x50010001, 0, {45, 168, 78, 184}, true},
    {"setButton", &MainControls::setButton, "Button", "Установить", kButton, 0, {30, 198, 110, 220}, false},
    {"recordButton", &MainControls::recordButton, "Button", "Запись в файл", kButton, 0, {10, 245, 130, 267}, false},
    {"runButton", &MainControls::runButton, "Button", "Начать работу с момента >>", kButton, 0, {157, 27, 337, 49},
     false},
    {"stageTempEdit", &MainControls::stageTempEdit, "Edit", "20,0", 0x50010002, 0, {198, 246, 247, 261}, true},
    {"startDayEdit", &MainControls::startDayEdit, "Edit", "15", 0x50012002, 0, {342, 31, 360, 46}, true},
    {"startMonthEdit", &MainControls::startMonthEdit, "Edit", "03", 0x50012001, 0, {363, 31, 381, 46}, true},
    {"startYearEdit", &MainControls::startYearEdit, "Edit", "26", 0x50012000, 0, {385, 31, 403, 46}, true},
    {"startHourEdit", &MainControls::startHourEdit, "Edit", "09", 0x50012002, 0, {410, 31, 428, 46}, true},
    {"startMinuteEdit", &MainControls::startMinuteEdit, "Edit", "30", 0x50012000, 0, {435, 31, 453, 46}, true},
    {"holdHoursEdit", &MainControls::holdHoursEdit, "Edit", "3", 0x50012002, 0, {278, 246, 296, 261}, true},
    {"holdMinutesEdit", &MainControls::holdMinutesEdit, "Edit", "00", 0x50012002, 0, {304, 246, 322, 261}, true},
    {"addStageButton", &MainControls::addStageButton, "Button", "Добавить этап", kButton, 0, {155, 275, 308, 297},
     true},
    // No stages in the file: nothing to clear.
    {"clearListButton", &MainControls::clearListButton, "Button", "Очистить список", kButton, 0,
     {324, 275, 477, 297}, false},
};

std::string classOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

TEST_F(MainWindow, ControlsAreBuiltAsLaidOut) {
    const MainControls& c = controls();
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        HWND control = c.*row.field;
        ASSERT_TRUE(IsWindow(control));
        EXPECT_EQ(window, GetParent(control));
        EXPECT_STRCASEEQ(row.className, classOf(control).c_str());
        EXPECT_EQ(row.text, windowText(control));
        EXPECT_EQ(row.style, static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & ~WS_DISABLED);
        EXPECT_EQ(row.exStyle, static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)) & ~WS_EX_NOPARENTNOTIFY);
        const RECT place = clientPlace(control);
        EXPECT_EQ(row.place.left, place.left);
        EXPECT_EQ(row.place.top, place.top);
        EXPECT_EQ(row.place.right, place.right);
        EXPECT_EQ(row.place.bottom, place.bottom);
        EXPECT_EQ(row.enabled, IsWindowEnabled(control) != FALSE);
        EXPECT_EQ(0, GetDlgCtrlID(control));
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), fonts().boldFont);
    }
}

TEST_F(MainWindow, FieldLimitsAreFourAndTwoCharacters) {
    const MainControls& c = controls();
    EXPECT_EQ(4, SendMessageA(c.setpointEdit, EM_GETLIMITTEXT, 0, 0));
    EXPECT_EQ(4, SendMessageA(c.stageTempEdit, EM_GETLIMITTEXT, 0, 0));
    for (HWND field : {c.startDayEdit, c.startMonthEdit, c.startYearEdit, c.startHourEdit, c.startMinuteEdit,
                       c.holdHoursEdit, c.holdMinutesEdit})
        EXPECT_EQ(2, SendMessageA(field, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(MainWindow, PortComboIsADropDownListInTheStockGuiFont) {
    // The combo box drops its border and scroll bar bits once made; what it
    // was created with is checked in ControlsAreCreatedInOrderWithTheirStyles.
    HWND combo = controls().portCombo;
    EXPECT_STRCASEEQ("ComboBox", classOf(combo).c_str());
    EXPECT_EQ(static_cast<LONG>(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST),
              GetWindowLongA(combo, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | 3));
    EXPECT_FALSE(GetWindowLongA(combo, GWL_STYLE) & CBS_SORT);
    const RECT place = clientPlace(combo);
    EXPECT_EQ(38, place.left);
    EXPECT_EQ(43, place.top);
    EXPECT_EQ(102, place.right);
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), reinterpret_cast<HGDIOBJ>(SendMessageA(combo, WM_GETFONT, 0, 0)));
}

TEST_F(MainWindow, FontsAreMadeAsSpecifiedForRussianText) {
    struct Expected {
        HFONT font;
        const char* face;
        int height, width, weight;
        bool italic;
    };
    const MainFonts& f = fonts();
    const Expected all[] = {
        {f.captionFont, "MS Sans Serif", 8, 0, 0, false}, {f.boldFont, "MS Sans Serif", 8, 0, 700, false},
        {f.readoutFont, "Arial", 32, 0, 700, false},      {f.unitFont, "Arial", 32, 10, 700, false},
        {f.brandFont, "Arial", 20, 0, 800, false},        {f.helpFont, "Arial", 15, 9, 800, true},
    };
    for (const Expected& e : all) {
        SCOPED_TRACE(e.face);
        LOGFONTA font = {};
        ASSERT_EQ(static_cast<int>(sizeof font), GetObjectA(e.font, sizeof font, &font));
        EXPECT_STREQ(e.face, font.lfFaceName);
        EXPECT_EQ(e.height, font.lfHeight);
        EXPECT_EQ(e.width, font.lfWidth);
        EXPECT_EQ(e.weight, font.lfWeight);
        EXPECT_EQ(e.italic, font.lfItalic != 0);
        EXPECT_EQ(RUSSIAN_CHARSET, font.lfCharSet);
        EXPECT_EQ(FF_SWISS, font.lfPitchAndFamily);
    }
}

TEST_F(MainWindow, StageListHasFiveCentredColumnsAndNoHeader) {
    HWND list = controls().stageList;
    EXPECT_STREQ("SysListView32", classOf(list).c_str());
    // The scroll bar bits follow the scroll bars actually shown.
    const DWORD style = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE)) & ~(WS_VSCROLL | WS_HSCROLL);
    EXPECT_EQ(0x5000404Du, style);
    EXPECT_EQ(0, GetWindowLongA(list, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY);
    const RECT place = clientPlace(list);
    EXPECT_EQ(157, place.left);
    EXPECT_EQ(69, place.top);
    EXPECT_EQ(474, place.right);
    EXPECT_EQ(224, place.bottom);
    EXPECT_EQ(0x23, SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    const int widths[] = {40, 80, 60, 70, 50};
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(widths[i], column.cx);
        EXPECT_EQ(LVCFMT_CENTER, column.fmt & LVCFMT_JUSTIFYMASK);
    }
    LVCOLUMNA extra = {};
    extra.mask = LVCF_WIDTH;
    EXPECT_FALSE(SendMessageA(list, LVM_GETCOLUMNA, 5, reinterpret_cast<LPARAM>(&extra)));
    EXPECT_NE(fonts().boldFont, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
}

TEST_F(MainWindow, ToolTipHasItsColoursAndEightTools) {
    const MainControls& c = controls();
    HWND tip = c.toolTip;
    ASSERT_TRUE(IsWindow(tip));
    EXPECT_STRCASEEQ("tooltips_class32", classOf(tip).c_str());
    EXPECT_EQ(nullptr, GetParent(tip));
    EXPECT_EQ(nullptr, GetWindow(tip, GW_OWNER));
    EXPECT_TRUE(GetWindowLongA(tip, GWL_STYLE) & TTS_ALWAYSTIP);
    EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(0x00FFFFC0, SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0));
    EXPECT_EQ(0, SendMessageA(tip, TTM_GETTIPTEXTCOLOR, 0, 0));

    struct Tool {
        UINT_PTR id;
        UINT flags;
        RECT area;
        const char* text;
    };
    const Tool expected[] = {
        {50, TTF_SUBCLASS, {30, 273, 110, 293}, " Щёлкните здесь для получения справки о программе."},
        {51, TTF_SUBCLASS, {337, 49, 407, 69}, "Дата начала этапа"},
        {52, TTF_SUBCLASS, {407, 49, 457, 69}, "Время начала этапа"},
        {reinterpret_cast<UINT_PTR>(c.setButton), 0x11, {}, " Установить температуру в термостате "},
        {reinterpret_cast<UINT_PTR>(c.recordButton), 0x11, {}, " Сохранять значение температуры в файл "},
        {reinterpret_cast<UINT_PTR>(c.runButton), 0x11, {},
         " Начать автоматическое управление термостатом по заданному алгоритму "},
        {reinterpret_cast<UINT_PTR>(c.addStageButton), 0x11, {}, " Добавить этап программы в конец списка этапов "},
        {reinterpret_cast<UINT_PTR>(c.clearListButton), 0x11, {}, "Удалить все этапы из списка"},
    };
    ASSERT_EQ(8, SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        char text[1024] = {};
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.lpszText = text;
        ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(window, tool.hwnd);
        EXPECT_EQ(expected[i].id, tool.uId);
        EXPECT_EQ(expected[i].flags, tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS | TTF_CENTERTIP | TTF_TRACK));
        EXPECT_STREQ(expected[i].text, text);
        if (!(tool.uFlags & TTF_IDISHWND)) {
            EXPECT_EQ(expected[i].area.left, tool.rect.left);
            EXPECT_EQ(expected[i].area.top, tool.rect.top);
            EXPECT_EQ(expected[i].area.right, tool.rect.right);
            EXPECT_EQ(expected[i].area.bottom, tool.rect.bottom);
        }
    }
}

TEST_F(MainWindow, HelpToolTextIsStoredInCodePage1251) {
    // " Щёлкните" in Windows-1251: the "ё" is 0xB8, outside the main block.
    const unsigned char expected[] = {0x20, 0xD9, 0xB8, 0xEB, 0xEA, 0xED, 0xE8, 0xF2, 0xE5};
    char text[1024] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = window;
    tool.uId = 50;
    tool.lpszText = text;
    ASSERT_TRUE(SendMessageA(controls().toolTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(expected), sizeof expected), std::string(text).substr(0, sizeof expected));
}

TEST_F(MainWindow, LogoBackgroundTakesTheButtonFaceColour) {
    HBITMAP logo = logoBitmap();
    ASSERT_NE(nullptr, logo);
    BITMAP info = {};
    GetObjectA(logo, sizeof info, &info);
    EXPECT_EQ(21, info.bmWidth);
    EXPECT_EQ(15, info.bmHeight);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, logo);
    const COLORREF face = GetNearestColor(memory, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(face, GetPixel(memory, 0, 0));
    EXPECT_EQ(face, GetPixel(memory, 20, 0));
    EXPECT_EQ(face, GetPixel(memory, 6, 10));  // reaches into the notch of the base
    EXPECT_EQ(RGB(208, 16, 16), GetPixel(memory, 18, 1));  // the drawing itself stays
    // Every pixel is background or ink: nothing whitish is left on the button
    // face, not in the gaps under the wave, the bottom row or beside the bar.
    int background = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 21; ++x) {
            const COLORREF pixel = GetPixel(memory, x, y);
            background += pixel == face;
            EXPECT_TRUE(pixel == face || pixel == RGB(0, 80, 200) || pixel == RGB(208, 16, 16))
                << x << "," << y << " is " << std::hex << pixel;
        }
    EXPECT_EQ(233, background);
    SelectObject(memory, old);
    DeleteDC(memory);
}

TEST_F(MainWindow, CommandsFromUnknownWindowsAreIgnored) {
    const std::vector<std::uint8_t> before = settingsFileBytes();
    // A stray combo box with an entry chosen, and a stray button.
    HWND strayCombo = CreateWindowExA(0, "COMBOBOX", nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 50, 80, window,
                                      nullptr, nullptr, nullptr);
    SendMessageA(strayCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("A"));
    SendMessageA(strayCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("B"));
    SendMessageA(strayCombo, CB_SETCURSEL, 1, 0);
    HWND strayButton = CreateWindowExA(0, "BUTTON", "x", WS_CHILD, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
    SetFocus(controls().stageList);
    {
        BoxAnswerer answerer(IDOK);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(strayCombo));
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(strayButton));
        pumpMessages(50);
        EXPECT_TRUE(answerer.boxesSoFar().empty());
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(controls().stageList, GetFocus());
    EXPECT_EQ(before, settingsFileBytes());
    DestroyWindow(strayCombo);
    DestroyWindow(strayButton);
}

TEST_F(MainWindow, ChoosingAPortSavesItAtOnceAndFocusesConnect) {
    const MainControls& c = controls();
    SendMessageA(c.portCombo, CB_SETCURSEL, 1, 0);
    SetFocus(c.stageList);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c.portCombo));
    EXPECT_EQ(c.connectButton, GetFocus());
    const std::vector<std::uint8_t> saved = settingsFileBytes();
    ASSERT_GE(saved.size(), 536u);
    EXPECT_EQ(1, saved[0]);

    // Closing the list only moves the focus.
    SetFocus(c.stageList);
    SendMessageA(c.portCombo, CB_SETCURSEL, 0, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(0, CBN_CLOSEUP), reinterpret_cast<LPARAM>(c.portCombo));
    EXPECT_EQ(c.connectButton, GetFocus());
    EXPECT_EQ(1, settingsFileBytes()[0]);
}

// What the program asked CreateWindowExA for, as the system passed it on.
struct Creation {
    std::string className;
    DWORD style, exStyle;
    int x, y, width, height;
    HWND parent;
    HMENU menu;
};
std::vector<Creation> creations;

LRESULT CALLBACK recordCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* c = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        const bool named = HIWORD(reinterpret_cast<ULONG_PTR>(c->lpszClass)) != 0;
        creations.push_back({named ? c->lpszClass : "#atom", static_cast<DWORD>(c->style),
                             static_cast<DWORD>(c->dwExStyle), c->x, c->y, c->cx, c->cy, c->hwndParent, c->hMenu});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MainWindowCreation, ControlsAreCreatedInOrderWithTheirStyles) {
    SerialPortsOverride ports(twoPorts());
    useSettingsFile(SettingsBytes{}.bytes());
    creations.clear();
    HHOOK hook = SetWindowsHookExA(WH_CBT, recordCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    HWND window = openMainWindow();
    UnhookWindowsHookEx(hook);

    // The main window's own direct creations, in order (controls make
    // windows of their own, such as the list view's header and the
    // combo box's list; those are left out).
    std::vector<Creation> made;
    for (const Creation& c : creations)
        if (c.parent == window || (c.className == TOOLTIPS_CLASSA && c.parent == nullptr)) made.push_back(c);
    const std::vector<std::string> order = {"COMBOBOX", "BUTTON", "EDIT", "BUTTON", "BUTTON", "BUTTON",
                                            "SysListView32", "EDIT", "EDIT", "EDIT", "EDIT", "EDIT", "EDIT",
                                            "EDIT", "EDIT", "BUTTON", "BUTTON", TOOLTIPS_CLASSA};
    ASSERT_EQ(order.size(), made.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_STRCASEEQ(order[i].c_str(), made[i].className.c_str());
        EXPECT_EQ(nullptr, made[i].menu);  // no control identifiers
    }
    const Creation& combo = made[0];
    EXPECT_EQ(0x50A00003u, combo.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE), combo.exStyle);
    EXPECT_EQ(64, combo.width);
    EXPECT_EQ(100, combo.height);
    EXPECT_EQ(0x5030404Du, made[6].style);
    const Creation& tip = made.back();
    EXPECT_EQ(static_cast<DWORD>(TTS_ALWAYSTIP), tip.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST), tip.exStyle);
    closeMainWindow(window);
}

// Messages posted to the main window by the fields' own procedures.
std::vector<MSG> takePosted(HWND window, UINT message) {
    std::vector<MSG> posted;
    MSG m;
    while (PeekMessageA(&m, window, message, message, PM_REMOVE)) posted.push_back(m);
    return posted;
}

TEST_F(MainWindow, TemperatureFieldsTakeDigitsSignCommaAndTurnAPointIntoAComma) {
    HWND edit = controls().stageTempEdit;
    SetWindowTextA(edit, "");
    takePosted(window, ValueKey);
    for (char key : std::string("1.5")) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(key), 1);
    EXPECT_EQ("1,5", windowText(edit));
    std::vector<MSG> posted = takePosted(window, ValueKey);
    ASSERT_EQ(3u, posted.size());
    EXPECT_EQ(reinterpret_cast<WPARAM>(edit), posted[1].wParam);
    EXPECT_EQ(',', posted[1].lParam);

    // A letter, a blank and Ctrl+V's character change nothing and post nothing.
    for (WPARAM key : {WPARAM('a'), WPARAM(' '), WPARAM(22)}) SendMessageA(edit, WM_CHAR, key, 1);
    EXPECT_EQ("1,5", windowText(edit));
    EXPECT_TRUE(takePosted(window, ValueKey).empty());

    SendMessageA(edit, WM_CHAR, '\b', 1);
    SendMessageA(edit, WM_CHAR, '-', 1);
    SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
    posted = takePosted(window, ValueKey);
    ASSERT_EQ(3u, posted.size());
    EXPECT_EQ('\b', posted[0].lParam);
    EXPECT_EQ('-', posted[1].lParam);
    EXPECT_EQ(VK_DELETE, posted[2].lParam);
    EXPECT_EQ("1,-", windowText(edit));
}

TEST_F(MainWindow, TwoDigitFieldsReportKeysAndCaretMoves) {
    HWND edit = controls().startMonthEdit;
    takePosted(window, FieldKey);
    SetWindowTextA(edit, "03");
    auto codesAfter = [&](UINT message, WPARAM key) {
        SendMessageA(edit, message, key, 1);
        std::vector<LPARAM> codes;
        for (const MSG& m : takePosted(window, FieldKey)) {
            EXPECT_EQ(reinterpret_cast<WPARAM>(edit), m.wParam);
            codes.push_back(m.lParam);
        }
        return codes;
    };
    using Codes = std::vector<LPARAM>;
    SendMessageA(edit, EM_SETSEL, 0, 0);
    EXPECT_EQ(Codes{3}, codesAfter(WM_KEYDOWN, VK_LEFT));
    EXPECT_EQ(Codes{}, codesAfter(WM_KEYDOWN, VK_RIGHT));  // caret at 0 of "03"
    SendMessageA(edit, EM_SETSEL, 2, 2);
    EXPECT_EQ(Codes{4}, codesAfter(WM_KEYDOWN, VK_RIGHT));
    EXPECT_EQ(Codes{}, codesAfter(WM_KEYDOWN, VK_LEFT));
    SendMessageA(edit, EM_SETSEL, 0, -1);  // all selected counts as the end
    EXPECT_EQ(Codes{4}, codesAfter(WM_KEYDOWN, VK_RIGHT));
    EXPECT_EQ(Codes{2}, codesAfter(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(Codes{1}, codesAfter(WM_KEYDOWN, VK_DELETE));
    EXPECT_EQ(Codes{1}, codesAfter(WM_CHAR, 'x'));
    EXPECT_EQ(Codes{}, codesAfter(WM_KEYDOWN, VK_HOME));
    EXPECT_EQ(Codes{0}, codesAfter(WM_KILLFOCUS, 0));
}

}  // namespace
