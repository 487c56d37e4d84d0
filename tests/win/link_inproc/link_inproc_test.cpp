// The link's code in the test's own process, on a real COM1 that leads to the
// simulated thermostat: what needs the message loop held still between two
// actions, or the program's memory.
#include "link_inproc_fixture.h"


// A failed open changes no state: the link stays in its start-up state.
TEST_F(LinkInProcess, PortNamesUpToTheirLimitAndBeyondAreNamedWithoutOverflow) {
    const std::string fits(31, 'P');
    const std::string tooLong = "COM1" + std::string(60, 'X');
    setPortNames({fits, tooLong});
    Simulator::markLog();
    for (const std::string& name : {fits, tooLong}) {
        setPortIndex(name == fits ? 0 : 1);
        BoxAnswerer answerer(IDOK);
        SendMessageA(controls().connectButton, BM_CLICK, 0, 0);
        const auto& boxes = answerer.boxes();
        ASSERT_EQ(boxes.size(), 1u) << name;
        EXPECT_EQ(boxes[0].text,
                  "Не могу открыть порт " + name + ".\n\rПорт отсутствует или\n\rзанят другим приложением.");
        EXPECT_EQ(linkState(), linkStartUp);
        EXPECT_TRUE(IsWindowEnabled(controls().connectButton));
    }
    // The name too long to open was not cut down to one that exists: COM1
    // was never opened.
    pumpMessages(600);
    EXPECT_TRUE(Simulator::frames().empty());
}

// Each window starts the link in its start-up state.
TEST_F(LinkInProcess, StatesFromStartUpToDownToUpAndTwoPressesSendOneCommand) {
    // linkStartUp: an attempt that gets no reply is given up without the
    // no-answer box; a run read from the file stays, waiting for the
    // thermostat, and the operator is told so once.
    EXPECT_EQ(linkState(), linkStartUp);
    setRunFlag(true);
    ASSERT_EQ(Simulator::command("power off").substr(0, 2), "OK");
    {
        BoxAnswerer waiting(IDOK);
        SendMessageA(controls().connectButton, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowEnabled(controls().connectButton));
        ASSERT_TRUE(pumpUntil([] { return linkState() == linkDown; }, 3000));
        const auto& told = waiting.boxes();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].caption, "Управление термостатом КРМ-Д");
        EXPECT_EQ(told[0].text,
                  "Термостат не отвечает на запрос!\n\n\rАвтоматическое управление термостатом будет возобновлено\n\r"
                  "после подключения к термостату (кнопка «Подключиться»).");
    }
    EXPECT_EQ(settings().runFlag, kFlagOn);
    EXPECT_TRUE(IsWindowEnabled(controls().connectButton));
    EXPECT_TRUE(IsWindowEnabled(controls().portCombo));
    // The rest of this test is about the link alone.
    stopRun(false);

    // linkDown to linkUp.
    ASSERT_EQ(Simulator::command("power on").substr(0, 2), "OK");
    SendMessageA(controls().connectButton, BM_CLICK, 0, 0);
    ASSERT_TRUE(pumpUntil([] { return linkIsUp(); }, 3000));
    EXPECT_EQ(measuredTenths(), 250);
    EXPECT_EQ(windowText(controls().setpointEdit), "25,5");
    EXPECT_FALSE(IsWindowVisible(controls().connectButton));

    // Two presses with no tick between them: one set command, the second value.
    pumpMessages(600);
    Simulator::markLog();
    BoxAnswerer answerer(IDOK);
    SetWindowTextA(controls().setpointEdit, "30");
    SendMessageA(controls().setButton, BM_CLICK, 0, 0);
    SetWindowTextA(controls().setpointEdit, "35");
    SendMessageA(controls().setButton, BM_CLICK, 0, 0);
    EXPECT_EQ(targetCode(), 3080);
    const auto& boxes = answerer.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Термостат подтверждает выполнение команды.");
    pumpMessages(1500);
    const auto sent = setCommands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(hex(sent[0].bytes), "5A F1 08 0C AF");
    EXPECT_EQ(windowText(controls().setpointEdit), "35,0");

    // A set command requested while a request is in flight goes with the
    // first tick after its reply, not in parallel with it.
    Simulator::markLog();
    ASSERT_EQ(Simulator::command("late 1 150").substr(0, 2), "OK");
    pumpUntil([] { return Simulator::requests().size() >= 1; }, 2000);
    {
        BoxAnswerer confirm(IDOK);
        queueSetCommand(3030);
        confirm.boxes();
    }
    pumpMessages(300);
    const auto frames = Simulator::frames();
    // Every request is answered before the next one goes out.
    bool waiting = false;
    for (const WireFrame& frame : frames) {
        if (frame.in) {
            EXPECT_FALSE(waiting) << "a request while another was unanswered";
        }
        waiting = frame.in;
    }
    ASSERT_EQ(setCommands().size(), 1u);
    EXPECT_EQ(hex(setCommands()[0].bytes), "5A F1 D6 0B 76");
}

TEST_F(LinkInProcess, EachRequestIsWrittenBeforeItsReaderStarts) {
    clearPortCalls();
    SendMessageA(controls().connectButton, BM_CLICK, 0, 0);
    ASSERT_TRUE(pumpUntil([] { return linkIsUp() && portCalls().size() >= 6; }, 3000));
    // On a synchronous handle a read started first would hold the write.
    const std::string calls = portCalls();
    for (std::size_t i = 0; i + 1 < calls.size(); i += 2) EXPECT_EQ(calls.substr(i, 2), "WT") << calls;
}

TEST_F(LinkInProcess, AReaderThatOutlastsItsWaitKeepsItsRequestAndItsLateReplyIsNotTaken) {
    const HWND notified = CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(openPort("COM1", notified));
    holdReaders();
    const std::uint8_t poll[] = {0xB3, 0xB3};
    sendRequest(poll, sizeof poll, 5);
    clearPortCalls();
    // The poll's reader has not ended: the set command is neither prepared
    // nor written.
    const std::uint8_t set[] = {0x5A, 0xF1, 0xD6, 0x0B, 0x76};
    sendRequest(set, sizeof set, 2);
    EXPECT_EQ(portCalls(), "");
    EXPECT_EQ(requestBytes()[0], 0xB3);
    EXPECT_EQ(requestBytes()[1], 0xB3);
    EXPECT_EQ(replyLength(), 5u);

    // Let go, the old reader takes the poll's reply and posts it late.
    releaseReaders();
    MSG posted;
    bool arrived = false;
    for (DWORD waited = 0; waited < 3000 && !arrived; waited += 20) {
        arrived = PeekMessageA(&posted, notified, ReplyArrived, ReplyArrived, PM_REMOVE) != FALSE;
        if (!arrived) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    ASSERT_TRUE(arrived);
    EXPECT_FALSE(replyIsCurrent());
    closePort();
    DestroyWindow(notified);
}

TEST_F(LinkInProcess, ARunOverWhileAsleepSendsItsLastStageThenCompletes) {
    reopenWithAFlaggedRun();
    ASSERT_TRUE(pumpUntil([] { return linkIsUp(); }, 3000));
    // The test gives the ticks from here on.
    KillTimer(window, static_cast<UINT_PTR>(Timer::exchange));
    ASSERT_TRUE(pumpUntil([] { return !requestInFlight(); }, 3000));

    // Past the program's end, its only stage never sent: the tick sends it
    // and no box comes yet.
    setFakeLocalTime(2030, 1, 1, 13, 0);
    Simulator::markLog();
    SendMessageA(window, WM_TIMER, static_cast<WPARAM>(Timer::exchange), 0);
    EXPECT_TRUE(runActive());
    ASSERT_TRUE(pumpUntil([] { return !requestInFlight(); }, 3000));
    ASSERT_EQ(setCommands().size(), 1u);
    EXPECT_EQ(hex(setCommands()[0].bytes), "5A F1 A4 0B 04");
    {
        // The next tick ends the run with the message, and sends nothing.
        BoxAnswerer answerer(IDOK);
        SendMessageA(window, WM_TIMER, static_cast<WPARAM>(Timer::exchange), 0);
        const auto& boxes = answerer.boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Завершено выполнение всех этапов.");
    }
    EXPECT_FALSE(runActive());
    EXPECT_FALSE(requestInFlight());
    // The next tick polls as usual.
    SendMessageA(window, WM_TIMER, static_cast<WPARAM>(Timer::exchange), 0);
    EXPECT_TRUE(requestInFlight());
    pumpUntil([] { return !requestInFlight(); }, 3000);
}
