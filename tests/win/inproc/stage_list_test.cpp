// The stage list as filled from a stored settings file, dated from the start
// moment, and cut at the end of the year 2100; building, editing, deleting and
// clearing the program as the operator does it, with the input fields' checks.
#include <gtest/gtest.h>

#include <windows.h>

#include "main_window.h"
#include "settings/settings.h"
#include "run/run.h"
#include "harness.h"
#include "edit_fields.h"
#include "program/input_fields.h"
#include "program/stage_list.h"
#include "window_support.h"

namespace {

using Row = std::vector<std::string>;

Row rowTexts(HWND list, int row) {
    Row texts;
    for (int column = 0; column < 5; ++column) texts.push_back(listCell(list, row, column));
    return texts;
}

class StageList : public ::testing::Test {
protected:
    SerialPortsOverride ports{twoPorts()};
};

TEST_F(StageList, RowsShowTheStoredStagesAndTheirStarts) {
    setFakeLocalTime(2026, 1, 10, 8, 0, 42);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {3105, 2, 5}, {2630, 99, 59}, {3330, 0, 1}};
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    HWND list = controls().stageList;
    ASSERT_EQ(4, listRows(list));
    EXPECT_EQ((Row{"1", "20,0", "3:00", "10.01.26", "08:00"}), rowTexts(list, 0));
    EXPECT_EQ((Row{"2", "37,5", "2:05", "10.01.26", "11:00"}), rowTexts(list, 1));
    EXPECT_EQ((Row{"3", "-10,0", "99:59", "10.01.26", "13:05"}), rowTexts(list, 2));
    EXPECT_EQ((Row{"4", "60,0", "0:01", "14.01.26", "17:04"}), rowTexts(list, 3));
    // The stage that would be appended starts where the program ends.
    EXPECT_EQ(4, entryStageIndex());
    EXPECT_STREQ("14.01.26", stageStartDateText());
    EXPECT_STREQ("17:05", stageStartTimeText());
    EXPECT_TRUE(IsWindowEnabled(controls().clearListButton));
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    closeMainWindow(window);
}

TEST_F(StageList, AnEmptyListDisablesClearingAndShowsTheStartMoment) {
    setFakeLocalTime(2026, 1, 10, 8, 0);
    useSettingsFile(SettingsBytes{}.bytes());
    HWND window = openMainWindow();
    EXPECT_EQ(0, listRows(controls().stageList));
    EXPECT_EQ(0, entryStageIndex());
    EXPECT_STREQ("10.01.26", stageStartDateText());
    EXPECT_STREQ("08:00", stageStartTimeText());
    EXPECT_FALSE(IsWindowEnabled(controls().clearListButton));
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    closeMainWindow(window);
}

TEST_F(StageList, StagesEndingAfter2100AreRemovedOneMessageEach) {
    setFakeLocalTime(2100, 12, 31, 20, 0);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {2940, 1, 0}, {2950, 2, 0}};
    useSettingsFile(file.bytes());
    BoxAnswerer answerer(IDOK, 3);
    HWND window = openMainWindow();
    const std::vector<Box>& boxes = answerer.boxesSoFar();
    ASSERT_EQ(2u, boxes.size());
    for (const Box& box : boxes) {
        EXPECT_EQ("Поздравляем!", box.caption);
        EXPECT_EQ("Вот и кончается столетие.\n\rПора работать со свежей программой.", box.text);
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    }
    HWND list = controls().stageList;
    ASSERT_EQ(1, listRows(list));
    EXPECT_EQ((Row{"1", "20,0", "3:00", "31.12.100", "20:00"}), rowTexts(list, 0));
    EXPECT_EQ(1, settings().stageCount);
    EXPECT_EQ(1, entryStageIndex());
    // The next stage would start where the kept program ends.
    EXPECT_STREQ("31.12.100", stageStartDateText());
    EXPECT_STREQ("23:00", stageStartTimeText());
    closeMainWindow(window);

    // The shorter program reaches the file with the save on exit; the file
    // keeps its length and the removed entries stay behind the count.
    const std::vector<std::uint8_t> saved = settingsFileBytes();
    ASSERT_EQ(536u + 12u, saved.size());
    EXPECT_EQ(1, saved[2]);
    EXPECT_EQ(0x7C, saved[536 + 4]);  // 2940 = 0x0B7C, the second entry
}

TEST_F(StageList, AProgramEndingIn2100IsKeptWhole) {
    setFakeLocalTime(2100, 12, 31, 20, 0);
    SettingsBytes file;
    file.stages = {{2930, 3, 0}, {2930, 0, 59}};
    useSettingsFile(file.bytes());
    BoxAnswerer answerer(IDOK);
    HWND window = openMainWindow();
    EXPECT_TRUE(answerer.boxesSoFar().empty());
    EXPECT_EQ(2, listRows(controls().stageList));
    EXPECT_STREQ("23:59", stageStartTimeText());
    closeMainWindow(window);
}

// The operator's hands: typing into a field, clicking, and the list's own
// notifications of a double-click and of the Delete key.
using Field = HWND MainControls::*;

void type(Field field, const std::string& text) {
    HWND edit = controls().*field;
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(edit, WM_CHAR, '\b', 1);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    drainMessages();
}

void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
    drainMessages();
}

void selectRow(int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(controls().stageList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(controls().stageList, LVM_SETSELECTIONMARK, 0, row);
    // What a click on the row reports to the window.
    NMLISTVIEW note = {};
    note.hdr = {controls().stageList, 0, static_cast<UINT>(LVN_ITEMCHANGED)};
    note.iItem = row;
    note.uChanged = LVIF_STATE;
    note.uNewState = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(GetParent(controls().stageList), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
}

void doubleClickRow(HWND window, int row) {
    selectRow(row);
    NMITEMACTIVATE note = {};
    note.hdr = {controls().stageList, 0, static_cast<UINT>(NM_DBLCLK)};
    note.iItem = row;
    SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
    drainMessages();
}

void pressDelete(HWND window) {
    NMLVKEYDOWN note = {};
    note.hdr = {controls().stageList, 0, static_cast<UINT>(LVN_KEYDOWN)};
    note.wVKey = VK_DELETE;
    SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
    drainMessages();
}

std::string toolText(HWND window, HWND button) {
    char text[256] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = text;
    SendMessageA(controls().toolTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool));
    return text;
}

std::vector<std::string> column(int index) {
    std::vector<std::string> texts;
    for (int row = 0; row < listRows(controls().stageList); ++row) texts.push_back(listCell(controls().stageList, row, index));
    return texts;
}

std::vector<std::uint8_t> entryBytes(std::uint16_t code, int hours, int minutes) {
    return {static_cast<std::uint8_t>(code & 0xFF), static_cast<std::uint8_t>(code >> 8),
            static_cast<std::uint8_t>(minutes), static_cast<std::uint8_t>(hours)};
}

std::vector<std::uint8_t> bytesAt(const std::vector<std::uint8_t>& file, std::size_t from, std::size_t count) {
    if (file.size() < from + count) return {};
    return std::vector<std::uint8_t>(file.begin() + from, file.begin() + from + count);
}

using Strings = std::vector<std::string>;

// A window on a program of these stages, 10 January 2026 at 08:00.
class StageEditing : public StageList {
protected:
    HWND window = nullptr;
    void open(const std::vector<SettingsBytes::Stage>& stages, std::uint8_t runFlag = 0) {
        setFakeLocalTime(2026, 1, 10, 8, 0);
        SettingsBytes file;
        file.stages = stages;
        file.runFlag = runFlag;
        useSettingsFile(file.bytes());
        window = openMainWindow();
    }
    // Closes the window (which saves the start moment), reads the file back
    // as the next start-up does, and opens the window again.
    void restart() {
        closeMainWindow(window);
        settingsFileBytes();
        window = openMainWindow();
    }
    void TearDown() override { closeMainWindow(window); }
};

TEST_F(StageEditing, AppendedStageIsDatedShownAsTypedAndSavedAtOnce) {
    open({});
    type(&MainControls::stageTempEdit, "25");
    type(&MainControls::holdHoursEdit, "05");
    type(&MainControls::holdMinutesEdit, "30");
    click(controls().addStageButton);

    EXPECT_EQ((Row{"1", "25", "05:30", "10.01.26", "08:00"}), rowTexts(controls().stageList, 0));
    EXPECT_EQ(1, entryStageIndex());
    EXPECT_STREQ("10.01.26", stageStartDateText());
    EXPECT_STREQ("13:30", stageStartTimeText());
    EXPECT_TRUE(IsWindowEnabled(controls().clearListButton));
    EXPECT_EQ(controls().stageList, GetFocus());
    const std::vector<std::uint8_t> file = settingsFileBytes();
    ASSERT_EQ(540u, file.size());
    EXPECT_EQ(1, file[2]);
    EXPECT_EQ(entryBytes(2980, 5, 30), bytesAt(file, 536, 4));

    restart();
    EXPECT_EQ((Row{"1", "25,0", "5:30", "10.01.26", "08:00"}), rowTexts(controls().stageList, 0));
}

TEST_F(StageEditing, AppendingWhileAStartFieldIsInvalidLeavesTheStartEmptyUntilCorrected) {
    open({{2930, 3, 0}});
    type(&MainControls::startDayEdit, "32");
    EXPECT_EQ((Row{"1", "20,0", "3:00", " ", " "}), rowTexts(controls().stageList, 0));
    EXPECT_STREQ("        ", stageStartDateText());
    EXPECT_STREQ("     ", stageStartTimeText());

    type(&MainControls::stageTempEdit, "30");
    type(&MainControls::holdHoursEdit, "1");
    click(controls().addStageButton);
    EXPECT_EQ((Row{"2", "30", "1:00", "", ""}), rowTexts(controls().stageList, 1));
    EXPECT_STREQ("        ", stageStartDateText());
    EXPECT_EQ(2, entryStageIndex());
    EXPECT_EQ(2, settingsFileBytes()[2]);

    type(&MainControls::startDayEdit, "10");
    EXPECT_EQ((Strings{"10.01.26", "10.01.26"}), column(3));
    EXPECT_EQ((Strings{"08:00", "11:00"}), column(4));
    EXPECT_STREQ("12:00", stageStartTimeText());
}

// What the operator types, in order, and what follows: addStageButton for the
// stage fields, the first row's start date for the start fields (" " while
// the start moment is invalid).
TEST_F(StageEditing, ValidityRulesEnableTheButtonAndBlankOrDateTheSchedule) {
    open({{2930, 3, 0}});
    const struct {
        Field field;
        const char* text;
        bool addEnabled;
        const char* date;
    } steps[] = {
        {&MainControls::holdHoursEdit, "0", false, "10.01.26"},  // 0:00 with the minutes "00"
        {&MainControls::holdMinutesEdit, "1", true, "10.01.26"},
        {&MainControls::holdMinutesEdit, "00", false, "10.01.26"},
        {&MainControls::holdHoursEdit, "1", true, "10.01.26"},
        {&MainControls::holdMinutesEdit, "75", false, "10.01.26"},
        {&MainControls::holdHoursEdit, "2", false, "10.01.26"},
        {&MainControls::holdMinutesEdit, "59", true, "10.01.26"},
        {&MainControls::holdMinutesEdit, "", true, "10.01.26"},  // 2:00
        {&MainControls::holdHoursEdit, "", false, "10.01.26"},
        {&MainControls::holdHoursEdit, "99", true, "10.01.26"},
        {&MainControls::stageTempEdit, "60,1", false, "10.01.26"},
        {&MainControls::stageTempEdit, "-10", true, "10.01.26"},
        {&MainControls::stageTempEdit, "", false, "10.01.26"},
        {&MainControls::stageTempEdit, "2.5", true, "10.01.26"},  // the point becomes a comma
        {&MainControls::startMonthEdit, "13", true, " "},
        {&MainControls::startMonthEdit, "00", true, " "},
        {&MainControls::startMonthEdit, "02", true, "10.02.26"},
        {&MainControls::startDayEdit, "29", true, " "},
        {&MainControls::startYearEdit, "23", true, " "},
        {&MainControls::startYearEdit, "24", true, "29.02.24"},
        {&MainControls::startMonthEdit, "04", true, "29.04.24"},
        {&MainControls::startDayEdit, "31", true, " "},
        {&MainControls::startDayEdit, "30", true, "30.04.24"},
        {&MainControls::startHourEdit, "24", true, " "},
        {&MainControls::startHourEdit, "", true, "30.04.24"},
        {&MainControls::startMinuteEdit, "60", true, " "},
        {&MainControls::startMinuteEdit, "59", true, "30.04.24"},
        {&MainControls::startDayEdit, "", true, " "},
        {&MainControls::startDayEdit, "1", true, "01.04.24"},
        {&MainControls::startYearEdit, "00", true, "01.04.00"},
    };
    for (const auto& step : steps) {
        type(step.field, step.text);
        SCOPED_TRACE(windowText(controls().*step.field));
        EXPECT_EQ(step.addEnabled, IsWindowEnabled(controls().addStageButton) != FALSE);
        EXPECT_EQ(step.date, listCell(controls().stageList, 0, 3));
    }
    EXPECT_EQ("2,5", windowText(controls().stageTempEdit));
    EXPECT_EQ("00:59", listCell(controls().stageList, 0, 4));
}

TEST_F(StageEditing, StoringAnEditShiftsLaterRowsAndCancellingKeepsThem) {
    open({{2930, 3, 0}, {2940, 2, 0}, {2950, 1, 30}, {2960, 1, 0}});
    const MainControls& c = controls();
    doubleClickRow(window, 1);
    EXPECT_EQ("Изменить этап 2", windowText(c.addStageButton));
    EXPECT_EQ("Отмена", windowText(c.clearListButton));
    EXPECT_EQ("Сохранить новые параметры этапа №2", toolText(window, c.addStageButton));
    EXPECT_EQ("Отменить изменения параметров этапа №2", toolText(window, c.clearListButton));
    EXPECT_EQ(1, entryStageIndex());
    EXPECT_STREQ("11:00", stageStartTimeText());
    EXPECT_EQ("21,0", windowText(c.stageTempEdit));
    EXPECT_EQ("2", windowText(c.holdHoursEdit));
    EXPECT_EQ("00", windowText(c.holdMinutesEdit));

    // Cancelled: every row and entry stays, and the fields keep what they show.
    type(&MainControls::holdHoursEdit, "9");
    const std::vector<std::uint8_t> before = settingsFileBytes();
    click(c.clearListButton);
    EXPECT_EQ((Strings{"08:00", "11:00", "13:00", "14:30"}), column(4));
    EXPECT_EQ((Strings{"3:00", "2:00", "1:30", "1:00"}), column(2));
    EXPECT_EQ(before, settingsFileBytes());
    EXPECT_EQ("Добавить этап", windowText(c.addStageButton));
    EXPECT_EQ("Очистить список", windowText(c.clearListButton));
    EXPECT_EQ(4, entryStageIndex());
    EXPECT_STREQ("15:30", stageStartTimeText());
    EXPECT_EQ("9", windowText(c.holdHoursEdit));
    // The tooltips keep the edit texts a little longer, then follow.
    EXPECT_EQ("Сохранить новые параметры этапа №2", toolText(window, c.addStageButton));
    EXPECT_TRUE(pumpUntil([&] { return toolText(window, c.addStageButton) ==
                                       " Добавить этап программы в конец списка этапов "; }, 3000));
    EXPECT_EQ("Удалить все этапы из списка", toolText(window, c.clearListButton));

    // Stored: the three later starts move by the three hours added.
    doubleClickRow(window, 1);
    type(&MainControls::holdHoursEdit, "5");
    click(c.addStageButton);
    EXPECT_EQ((Row{"2", "21,0", "5:00", "10.01.26", "11:00"}), rowTexts(c.stageList, 1));
    EXPECT_EQ((Strings{"08:00", "11:00", "16:00", "17:30"}), column(4));
    EXPECT_STREQ("18:30", stageStartTimeText());
    EXPECT_EQ(4, entryStageIndex());
    EXPECT_EQ("Добавить этап", windowText(c.addStageButton));
    EXPECT_EQ(entryBytes(2940, 5, 0), bytesAt(settingsFileBytes(), 540, 4));
}

TEST_F(StageEditing, AMinusTenStageSurvivesAnEditAndARestart) {
    open({{2630, 1, 0}, {2930, 2, 0}});
    const MainControls& c = controls();
    type(&MainControls::stageTempEdit, "");
    ASSERT_FALSE(IsWindowEnabled(c.addStageButton));
    doubleClickRow(window, 0);
    EXPECT_EQ("-10,0", windowText(c.stageTempEdit));
    EXPECT_TRUE(IsWindowEnabled(c.addStageButton));  // the field holds the stage's own value
    type(&MainControls::holdMinutesEdit, "15");
    click(c.addStageButton);
    EXPECT_EQ((Row{"1", "-10,0", "1:15", "10.01.26", "08:00"}), rowTexts(c.stageList, 0));
    EXPECT_EQ(entryBytes(2630, 1, 15), bytesAt(settingsFileBytes(), 536, 4));

    // A field that holds no valid temperature leaves the button disabled.
    doubleClickRow(window, 0);
    type(&MainControls::stageTempEdit, "-");
    EXPECT_FALSE(IsWindowEnabled(c.addStageButton));
    click(c.addStageButton);
    EXPECT_EQ(entryBytes(2630, 1, 15), bytesAt(settingsFileBytes(), 536, 4));
    click(c.clearListButton);

    restart();
    ASSERT_EQ(2, listRows(controls().stageList));
    EXPECT_EQ((Strings{"-10,0", "20,0"}), column(1));
    EXPECT_EQ((Strings{"1:15", "2:00"}), column(2));
}

TEST_F(StageEditing, DeletingAsksRenumbersRecomputesAndLeavesTheStaleTail) {
    open({{2930, 1, 0}, {2940, 1, 0}, {2950, 1, 0}, {2960, 1, 0}, {2970, 1, 0}});
    // During an edit the refusal names the edited stage, not the selected one.
    doubleClickRow(window, 3);
    selectRow(0);
    {
        BoxAnswerer answerer(IDOK);
        pressDelete(window);
        ASSERT_EQ(1u, answerer.boxes().size());
        EXPECT_EQ("Удаление этапа", answerer.boxes()[0].caption);
        EXPECT_EQ("Удаление невозможно до окончания редактирования этапа №4", answerer.boxes()[0].text);
        EXPECT_EQ(std::vector<int>{IDOK}, answerer.boxes()[0].buttons);
    }
    EXPECT_EQ(5, listRows(controls().stageList));
    click(controls().clearListButton);

    selectRow(2);
    {
        BoxAnswerer answerer(IDCANCEL);
        pressDelete(window);
        ASSERT_EQ(1u, answerer.boxes().size());
        const Box& box = answerer.boxes()[0];
        EXPECT_EQ("Удаление этапа", box.caption);
        EXPECT_EQ("Этап №3 будет удалён из списка этапов.\n\n\rПродолжить?", box.text);
        EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), box.buttons);
        EXPECT_EQ(IDCANCEL, box.defaultButton);
        EXPECT_TRUE(box.hasIcon);
    }
    EXPECT_EQ(5, listRows(controls().stageList));
    EXPECT_EQ(controls().stageList, GetFocus());

    {
        BoxAnswerer answerer(IDOK);
        pressDelete(window);
    }
    EXPECT_EQ((Strings{"1", "2", "3", "4"}), column(0));
    EXPECT_EQ((Strings{"20,0", "21,0", "23,0", "24,0"}), column(1));
    EXPECT_EQ((Strings{"08:00", "09:00", "10:00", "11:00"}), column(4));
    EXPECT_EQ(4, entryStageIndex());
    EXPECT_STREQ("12:00", stageStartTimeText());

    selectRow(3);
    {
        BoxAnswerer answerer(IDOK);
        pressDelete(window);
    }
    // The file keeps its five-stage length; behind the three stages lie the
    // fourth record of the four-stage save and the fifth of the first file.
    const std::vector<std::uint8_t> file = settingsFileBytes();
    ASSERT_EQ(556u, file.size());
    EXPECT_EQ(3, file[2]);
    EXPECT_EQ(entryBytes(2960, 1, 0), bytesAt(file, 544, 4));
    EXPECT_EQ(entryBytes(2970, 1, 0), bytesAt(file, 548, 4));
    EXPECT_EQ(entryBytes(2970, 1, 0), bytesAt(file, 552, 4));
    restart();
    EXPECT_EQ(3, listRows(controls().stageList));

    for (int i = 0; i < 3; ++i) {
        selectRow(0);
        BoxAnswerer answerer(IDOK);
        pressDelete(window);
    }
    EXPECT_EQ(0, listRows(controls().stageList));
    EXPECT_FALSE(IsWindowEnabled(controls().clearListButton));
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));
    EXPECT_EQ(0, settingsFileBytes()[2]);
}

TEST_F(StageEditing, ClearingAsksFirstAndEmptiesListAndFile) {
    for (const std::uint8_t run : {std::uint8_t{0}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(run);
        open({{2930, 1, 0}, {2940, 2, 0}}, run);
        ASSERT_EQ(run != 0, runActive());
        const std::string question =
            run ? "Производится автоматическое управление термостатом.\n\n\rОчистка списка этапов повлечёт за собой\n\r"
                  "прекращение процесса управления.\n\n\rВы действительно хотите очистить список?"
                : "Будет очищен список этапов программы!\n\n\rПродолжить?";
        {
            BoxAnswerer answerer(IDCANCEL);
            click(controls().clearListButton);
            ASSERT_EQ(1u, answerer.boxes().size());
            EXPECT_EQ("Очистка списка", answerer.boxes()[0].caption);
            EXPECT_EQ(question, answerer.boxes()[0].text);
            EXPECT_EQ(IDCANCEL, answerer.boxes()[0].defaultButton);
        }
        EXPECT_EQ(2, listRows(controls().stageList));
        {
            BoxAnswerer answerer(IDOK);
            click(controls().clearListButton);
        }
        EXPECT_EQ(0, listRows(controls().stageList));
        EXPECT_EQ(0, entryStageIndex());
        EXPECT_FALSE(IsWindowEnabled(controls().clearListButton));
        EXPECT_STREQ("10.01.26", stageStartDateText());
        EXPECT_STREQ("08:00", stageStartTimeText());
        const std::vector<std::uint8_t> file = settingsFileBytes();
        ASSERT_EQ(544u, file.size());
        EXPECT_EQ(0, file[2]);
        closeMainWindow(window);
        window = nullptr;
    }
}

TEST_F(StageEditing, The256thStageIsRefused) {
    open(std::vector<SettingsBytes::Stage>(255, SettingsBytes::Stage{2930, 0, 1}));
    const std::vector<std::uint8_t> before = settingsFileBytes();
    BoxAnswerer answerer(IDOK);
    click(controls().addStageButton);
    ASSERT_EQ(1u, answerer.boxes().size());
    EXPECT_EQ("Число этапов программы не может превышать 255.", answerer.boxes()[0].text);
    EXPECT_EQ(std::vector<int>{IDOK}, answerer.boxes()[0].buttons);
    EXPECT_EQ(255, listRows(controls().stageList));
    EXPECT_EQ(255, settings().stageCount);
    EXPECT_EQ(before, settingsFileBytes());
}

TEST_F(StageEditing, TabAndArrowsMoveTheFocusAndLeavingReformats) {
    open({});
    using M = MainControls;
    const MainControls& c = controls();
    // One move of each kind (the whole table is checked natively): from a
    // field holding "12", where the focus goes and where its caret stands.
    const struct {
        Field from;
        WPARAM key;
        int caret;
        Field to;
        DWORD toCaret;
    } moves[] = {
        {&M::startMinuteEdit, VK_TAB, 2, &M::startDayEdit, 0},
        {&M::startMonthEdit, VK_LEFT, 0, &M::startDayEdit, 2},
        {&M::holdHoursEdit, VK_RIGHT, 2, &M::holdMinutesEdit, 0},
        {&M::startYearEdit, VK_RIGHT, 2, &M::startYearEdit, 2},  // stays
        {&M::holdMinutesEdit, VK_TAB, 2, &M::holdMinutesEdit, 2},
    };
    for (const auto& move : moves) {
        HWND from = c.*move.from;
        HWND to = c.*move.to;
        SetWindowTextA(from, "12");
        SetWindowTextA(to, "12");
        SetFocus(from);
        SendMessageA(from, EM_SETSEL, move.caret, move.caret);
        SendMessageA(from, WM_KEYDOWN, move.key, 1);
        drainMessages();
        EXPECT_EQ(to, GetFocus()) << move.key;
        DWORD start = 9, end = 9;
        SendMessageA(to, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(move.toCaret, start);
        EXPECT_EQ(move.toCaret, end);
    }

    // Leaving a field shows its number in full; the hold's hours read "0".
    const struct {
        Field field;
        const char *typed, *shown;
    } leaving[] = {{&M::startDayEdit, "7", "07"}, {&M::holdHoursEdit, "", "0"}};
    for (const auto& l : leaving) {
        SetFocus(c.*l.field);
        type(l.field, l.typed);
        SetFocus(c.stageList);
        drainMessages();
        EXPECT_EQ(l.shown, windowText(c.*l.field)) << "typed '" << l.typed << "'";
    }
}

TEST_F(StageEditing, AnAppendedStageEndingAfter2100IsRemovedAgain) {
    setFakeLocalTime(2100, 12, 31, 20, 0);
    useSettingsFile(SettingsBytes{}.bytes());
    window = openMainWindow();
    type(&MainControls::holdHoursEdit, "3");
    click(controls().addStageButton);  // ends 23:00, kept
    {
        BoxAnswerer answerer(IDOK);
        type(&MainControls::holdHoursEdit, "1");
        click(controls().addStageButton);  // would end at 00:00 on 1 January 2101
        ASSERT_EQ(1u, answerer.boxes().size());
        EXPECT_EQ("Поздравляем!", answerer.boxes()[0].caption);
        EXPECT_EQ("Вот и кончается столетие.\n\rПора работать со свежей программой.", answerer.boxes()[0].text);
    }
    EXPECT_EQ(1, listRows(controls().stageList));
    EXPECT_EQ(1, entryStageIndex());
    // The boxes show where the removed stage began, which is where the next
    // one would begin.
    EXPECT_STREQ("31.12.100", stageStartDateText());
    EXPECT_STREQ("23:00", stageStartTimeText());
    const std::vector<std::uint8_t> file = settingsFileBytes();
    ASSERT_EQ(544u, file.size());
    EXPECT_EQ(1, file[2]);
}

}  // namespace

namespace {

// What a paste does to a field: the text changes with no key at all.
void paste(HWND edit, const char* text) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    drainMessages();
}

TEST_F(StageList, PastedTextIsCheckedAsTypedText) {
    setFakeLocalTime(2026, 1, 10, 8, 0);
    SettingsBytes file;
    file.stages = {{2930, 0, 1}};
    useSettingsFile(file.bytes());
    HWND window = openMainWindow();
    const MainControls& c = controls();

    // A hold of "1a" is not 10 hours: nothing can be stored.
    paste(c.holdHoursEdit, "1a");
    EXPECT_FALSE(IsWindowEnabled(c.addStageButton));
    EXPECT_NE(stageInputFlags() & kHoldInvalidBit, 0);
    paste(c.holdHoursEdit, "2");
    EXPECT_TRUE(IsWindowEnabled(c.addStageButton));

    // A pasted start date moves the schedule as a typed one does.
    paste(c.startDayEdit, "12");
    EXPECT_EQ(startInput().day, 12);
    EXPECT_EQ(listCell(c.stageList, 0, 3), "12.01.26");
    paste(c.startMonthEdit, "1x");
    EXPECT_FALSE(startMomentValid());
    EXPECT_EQ(listCell(c.stageList, 0, 3), " ");
    // Left, the field shows the number it stands for, and is judged by it.
    SendMessageA(c.startMonthEdit, WM_KILLFOCUS, 0, 0);
    drainMessages();
    EXPECT_EQ(windowText(c.startMonthEdit), "10");
    EXPECT_TRUE(startMomentValid());
    EXPECT_EQ(listCell(c.stageList, 0, 3), "12.10.26");
    closeMainWindow(window);
}

}  // namespace
