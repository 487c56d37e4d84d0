// Closing the program while it is connected: the question comes only during
// a run, and only Yes ends the program.
#include "link_fixture.h"

namespace {

const char kCloseText[] =
    "    Закрытие программы прервёт процесс            \n\rавтоматического управления термостатом.\n\r"
    "    При последующем запуске программа возобновит\n\rуправление, начиная с этапа, соответствующего\n\r"
    "реальному времени момента запуска.\n\n\r    Закрыть программу?\n\r";

// A run left set in the file: one stage of 99 h from now, so the program's
// end is ahead, and a stored start moment, so the program connects by itself.
SettingsRecord runLeftSet() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    SettingsRecord record{};
    record.portIndex = 0;
    record.runFlag = kFlagOn;
    record.stageCount = 1;
    record.startYear = static_cast<std::uint16_t>(now.wYear - 2000);
    record.startMonth = now.wMonth;
    record.startDay = now.wDay;
    record.startHour = now.wHour;
    record.startMinute = now.wMinute;
    record.stages[0] = StageEntry{2980, 0, 99};
    return record;
}

}  // namespace

TEST_F(LinkTest, ClosingDuringARunAsksAndOnlyYesCloses) {
    SettingsRecord settings = runLeftSet();
    settings.portIndex = portIndexOf("COM1");
    program = std::make_unique<Program>(settings);
    ASSERT_NE(program->window(), nullptr);
    ASSERT_TRUE(program->waitConnected(true, 5000));

    PostMessageA(program->window(), WM_CLOSE, 0, 0);
    Box box = program->waitForBox(5000);
    ASSERT_TRUE(box.window) << "no question before closing during a run";
    EXPECT_EQ(box.caption, "Управление термостатом КРМ-Д");
    EXPECT_EQ(box.text, kCloseText);
    program->answer(box, IDNO);
    ASSERT_TRUE(program->responds()) << "the close was not handled";
    EXPECT_TRUE(IsWindowVisible(program->window())) << "No must keep the window";
    EXPECT_EQ(program->waitForExit(0), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageA(program->window(), WM_CLOSE, 0, 0);
    box = program->waitForBox(5000);
    ASSERT_TRUE(box.window);
    program->answer(box, IDYES);
    EXPECT_EQ(program->waitForExit(5000), 0u);
}

TEST_F(LinkTest, ClosingWhileConnectedAndIdleDoesNotAsk) {
    program = std::make_unique<Program>(portIndexOf("COM1"), 26);
    ASSERT_NE(program->window(), nullptr);
    ASSERT_TRUE(program->waitConnected(true, 5000));
    PostMessageA(program->window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program->waitForExit(5000), 0u);
}
