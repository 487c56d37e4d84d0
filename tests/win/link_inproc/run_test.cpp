// The program run in the test's own process, against the simulated
// thermostat, with the program's clock in the test's hands: what goes on the
// wire at each stage start, the views, the settings file and the messages.
#include "link_inproc_fixture.h"

#include <commctrl.h>

namespace {

constexpr std::uint16_t kA = 2980;  // 25,0
constexpr std::uint16_t kB = 3030;  // 30,0
constexpr std::uint16_t kC = 2830;  // 10,0
constexpr std::uint16_t kD = 2730;  // 0,0
constexpr std::uint16_t kE = 3330;  // 60,0

std::vector<std::uint16_t> setCodes() {
    std::vector<std::uint16_t> codes;
    for (const WireFrame& frame : setCommands()) codes.push_back(frame.bytes[2] | frame.bytes[3] << 8);
    return codes;
}

bool onlyCode(std::uint16_t code) {
    const auto codes = setCodes();
    return !codes.empty() && std::all_of(codes.begin(), codes.end(), [&](std::uint16_t c) { return c == code; });
}

int selectedRow() {
    return static_cast<int>(SendMessageA(controls().stageList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// A settings file with these one-minute-or-longer stages from 12:00 on
// 1 January 2030.
SettingsBytes programFromNoon(std::vector<SettingsBytes::Stage> stages, bool running) {
    SettingsBytes file;
    file.runFlag = running ? 0xFF : 0x00;
    const std::uint16_t start[5] = {30, 1, 1, 12, 0};
    std::copy(start, start + 5, file.start);
    file.stages = std::move(stages);
    return file;
}

class RunInProcess : public LinkInProcess {
protected:
    void connectWith(const SettingsBytes& file) {
        reopenWith(file);
        ASSERT_TRUE(pumpUntil([] { return linkIsUp(); }, 3000));
    }
    // Waits through a tick of the exchange cycle: a poll on the wire.
    void passTicks(std::size_t polls) {
        Simulator::markLog();
        pumpUntil([&] { return Simulator::requests().size() >= polls; }, 4000);
    }
};

TEST_F(RunInProcess, WaitsForItsStartSendsEachStageInItsMinutePutsBackPanelChangesAndCompletes) {
    setFakeLocalTime(2030, 1, 1, 11, 58);
    connectWith(programFromNoon({{kA, 0, 1}, {kB, 0, 2}}, false));
    ASSERT_TRUE(IsWindowEnabled(controls().runButton));

    SendMessageA(controls().runButton, BM_CLICK, 0, 0);
    EXPECT_TRUE(runActive());
    const auto saved = settingsFileBytes();
    ASSERT_GE(saved.size(), 13u);
    EXPECT_EQ(saved[1], 0xFF) << "a started run is in the file at once";
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 3, saved.begin() + 13),
              (std::vector<std::uint8_t>{30, 0, 1, 0, 1, 0, 12, 0, 0, 0}));
    EXPECT_EQ(windowText(controls().runButton), "Завершить управление термостатом");
    EXPECT_FALSE(IsWindowVisible(controls().startMinuteEdit));

    passTicks(3);
    EXPECT_TRUE(setCodes().empty()) << "nothing before the start moment";
    EXPECT_EQ(selectedRow(), -1);

    Simulator::markLog();
    setFakeLocalTime(2030, 1, 1, 12, 0);
    ASSERT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kA));
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_TRUE(setpointLocked());
    EXPECT_FALSE(IsWindowEnabled(controls().setpointEdit));

    Simulator::markLog();
    setFakeLocalTime(2030, 1, 1, 12, 1);
    ASSERT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kB));
    EXPECT_EQ(selectedRow(), 1);

    // Changed at the instrument's own panel: the stage's temperature again.
    pumpUntil([] { return !requestInFlight(); }, 2000);
    Simulator::markLog();
    ASSERT_EQ(Simulator::command("panel 20,0").substr(0, 2), "OK");
    EXPECT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kB));

    Simulator::markLog();
    BoxAnswerer answerer(IDOK);
    setFakeLocalTime(2030, 1, 1, 12, 3);
    ASSERT_TRUE(pumpUntil([] { return !runActive(); }, 3000));
    const auto& boxes = answerer.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Управление термостатом КРМ-Д");
    EXPECT_EQ(boxes[0].text, "Завершено выполнение всех этапов.");
    EXPECT_TRUE(setCodes().empty()) << "the thermostat keeps the last stage's temperature";
    EXPECT_EQ(settingsFileBytes()[1], 0x00);
    EXPECT_EQ(windowText(controls().runButton), "Начать работу с момента >>");
    EXPECT_TRUE(IsWindowVisible(controls().startMinuteEdit));
    EXPECT_TRUE(IsWindowEnabled(controls().setpointEdit));
    EXPECT_TRUE(pumpUntil([] { return !IsWindowEnabled(controls().runButton); }, 2000))
        << "the program lies in the past";
}

TEST_F(RunInProcess, ResumesAtTheStageOfTheClockAndAMissedBoundaryIsTakenAtTheNextTick) {
    // Closed during stage 2 of 5 and started again after stage 3 has ended:
    // stage 4 runs, and stage 3 is never sent.
    setFakeLocalTime(2030, 1, 1, 12, 3);
    Simulator::markLog();
    connectWith(programFromNoon({{kA, 0, 1}, {kB, 0, 1}, {kC, 0, 1}, {kD, 0, 2}, {kE, 0, 3}}, true));
    ASSERT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kD));
    EXPECT_EQ(selectedRow(), 3);
    EXPECT_TRUE(runActive());

    // The computer asleep over the minute of stage 5's start: taken at the
    // first tick after it.
    pumpUntil([] { return !requestInFlight(); }, 2000);
    Simulator::markLog();
    setFakeLocalTime(2030, 1, 1, 12, 6);
    ASSERT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kE));
    EXPECT_EQ(selectedRow(), 4);

    // Stopping asks first; Cancel keeps the run, OK ends it without the
    // completion message.
    {
        BoxAnswerer cancel(IDCANCEL);
        SendMessageA(controls().runButton, BM_CLICK, 0, 0);
        ASSERT_EQ(cancel.boxes().size(), 1u);
        EXPECT_EQ(cancel.boxes()[0].text, "Автоматическое управление термостатом будет завершено.");
    }
    EXPECT_TRUE(runActive());
    {
        BoxAnswerer ok(IDOK, 2);
        SendMessageA(controls().runButton, BM_CLICK, 0, 0);
        EXPECT_EQ(ok.boxesSoFar().size(), 1u);
    }
    EXPECT_FALSE(runActive());
    EXPECT_EQ(settingsFileBytes()[1], 0x00);
    EXPECT_FALSE(setpointLocked());
}

TEST_F(RunInProcess, AProgramOverAtStartUpIsNotResumedAndListChangesResynchronise) {
    // Started again after the program's end: the flag is cleared at once.
    setFakeLocalTime(2030, 1, 1, 12, 10);
    connectWith(programFromNoon({{kA, 0, 1}, {kB, 0, 1}}, true));
    EXPECT_FALSE(runActive());
    EXPECT_FALSE(IsWindowEnabled(controls().runButton));

    // A running program whose list is cleared stops after the question.
    setFakeLocalTime(2030, 1, 1, 12, 0);
    connectWith(programFromNoon({{kA, 0, 2}, {kB, 0, 2}}, true));
    ASSERT_TRUE(runActive());
    ASSERT_EQ(selectedRow(), 0);
    // Deleting the running stage re-synchronises: stage B now starts at 12:00.
    pumpUntil([] { return !requestInFlight(); }, 2000);
    Simulator::markLog();
    {
        BoxAnswerer yes(IDOK);
        SendMessageA(controls().stageList, LVM_SETSELECTIONMARK, 0, 0);  // as the operator's click leaves it
        NMLVKEYDOWN key = {};
        key.hdr.hwndFrom = controls().stageList;
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = VK_DELETE;
        SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&key));
        yes.boxes();
    }
    ASSERT_EQ(settings().stageCount, 1);
    ASSERT_TRUE(pumpUntil([] { return !setCodes().empty(); }, 3000));
    EXPECT_TRUE(onlyCode(kB));
    {
        BoxAnswerer yes(IDOK);
        SendMessageA(controls().clearListButton, BM_CLICK, 0, 0);
        EXPECT_EQ(yes.boxes().size(), 1u);
    }
    EXPECT_FALSE(runActive());
    EXPECT_EQ(settings().stageCount, 0);
}

TEST_F(RunInProcess, ALostLinkKeepsTheRunByTheClockAndGivingItUpStopsTheRun) {
    setFakeLocalTime(2030, 1, 1, 12, 0);
    connectWith(programFromNoon({{kA, 0, 1}, {kB, 0, 2}}, true));
    ASSERT_TRUE(runActive());

    // The thermostat goes silent. While the "Ошибка связи" box is up (its own
    // message loop keeps the timers going), stage B's start minute comes and
    // is taken by the clock; then the thermostat is back, the box closes by
    // itself, and B goes out.
    pumpUntil([] { return !requestInFlight(); }, 2000);
    bool tookB = false;
    BoxAnswerer keep(
        [&](const SeenBox&) {
            setFakeLocalTime(2030, 1, 1, 12, 1);
            for (int i = 0; i < 150 && nextStage() != 2; ++i) Sleep(20);
            tookB = nextStage() == 2;
            Simulator::markLog();
            Simulator::command("power on");
            return 0;  // not pressed: the returning link closes it
        },
        1);
    ASSERT_EQ(Simulator::command("power off").substr(0, 2), "OK");
    ASSERT_TRUE(pumpUntil([] { return linkIsUp() && !setCodes().empty(); }, 8000));
    EXPECT_EQ(keep.boxes().size(), 1u);
    EXPECT_TRUE(tookB) << "the run follows the clock while the link is lost";
    EXPECT_TRUE(onlyCode(kB));
    EXPECT_TRUE(runActive());

    // Silent again, and the operator closes the "Ошибка связи" box: the
    // connection is given up and the run stops, saved as stopped.
    BoxAnswerer close(IDOK);
    ASSERT_EQ(Simulator::command("power off").substr(0, 2), "OK");
    ASSERT_TRUE(pumpUntil([] { return linkState() == linkDown; }, 6000));
    EXPECT_EQ(close.boxes().size(), 1u);
    EXPECT_FALSE(runActive());
    EXPECT_EQ(settingsFileBytes()[1], 0x00);
    ASSERT_EQ(Simulator::command("power on").substr(0, 2), "OK");
}

}  // namespace
