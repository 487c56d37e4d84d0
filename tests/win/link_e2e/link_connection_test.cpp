// Connecting to the thermostat, and the attempts that fail.
#include "link_fixture.h"

namespace {

const std::vector<std::uint8_t> poll = {0xB3, 0xB3};
const char kThreeCauses[] =
    "Термостат не отвечает на запрос!\n\n\n\rВозможные причины:\n\n\r- термостат выключен;\n\r- не правильно выбран "
    "порт;\n\r- не подключен соединительный кабель.";

}  // namespace

TEST_F(LinkTest, ConnectingPollsFirstShowsTheThermostatAndPollsEveryHalfSecond) {
    ASSERT_EQ(Simulator::command("panel 31,5").substr(0, 2), "OK");
    ASSERT_EQ(Simulator::command("line reset").substr(0, 2), "OK");
    Program& p = start();
    Simulator::markLog();
    EXPECT_TRUE(Simulator::requests().empty()) << "nothing is sent before the operator connects";

    p.click(p.connectButton());
    ASSERT_TRUE(p.waitConnected(true, 5000));
    EXPECT_FALSE(IsWindowVisible(p.portCombo()));
    EXPECT_FALSE(IsWindowVisible(p.connectButton()));
    EXPECT_TRUE(waitFor([&] { return windowText(p.setpointEdit()) == "31,5"; }, 2000)) << windowText(p.setpointEdit());
    EXPECT_TRUE(IsWindowEnabled(p.setButton())) << "a valid set-point enables the set button";

    // The line as the program set it up: the simulator starts it at 9600 baud
    // with two stop bits. Parity, which a pseudo-terminal drops, is checked
    // on the device control block in the link's in-process tests.
    EXPECT_EQ(Simulator::lineSettings().substr(0, 17), "speed 2400 stop 1");

    ASSERT_TRUE(Simulator::waitForRequests(9, 8000));
    const auto requests = Simulator::requests();
    for (const WireFrame& request : requests) EXPECT_EQ(hex(request.bytes), hex(poll));
    // The median is robust against one late tick on a busy machine.
    const double typical = median(intervals(requests));
    EXPECT_GT(typical, 400);
    EXPECT_LT(typical, 700);
    EXPECT_TRUE(p.noBox());
}

TEST_F(LinkTest, FirstFailedAttemptIsSilentLaterOnesNameThreeCausesAndPowerOnConnects) {
    ASSERT_EQ(Simulator::command("power off").substr(0, 2), "OK");
    Program& p = start();
    Simulator::markLog();

    // The first attempt since start-up: a single poll, given up silently.
    p.click(p.connectButton());
    EXPECT_TRUE(waitFor([&] { return !IsWindowEnabled(p.connectButton()); }, 2000)) << "disabled while trying";
    // Giving up enables the button, then the list: both are awaited, for this
    // process looks between the two.
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(p.connectButton()) && IsWindowEnabled(p.portCombo()); }, 4000));
    EXPECT_TRUE(IsWindowVisible(p.connectButton()));
    // Past the reply time-out of a poll that might have followed.
    EXPECT_TRUE(holdsFor([&] { return p.noBox() && Simulator::requests().size() == 1; }, 1200))
        << "the first failed attempt shows nothing and sends nothing more";

    // A later one reports the three causes; still only the one poll.
    Simulator::markLog();
    p.click(p.connectButton());
    const Box box = p.waitForBox(5000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.text, kThreeCauses);
    EXPECT_TRUE(IsWindowVisible(p.connectButton()));
    EXPECT_TRUE(IsWindowEnabled(p.connectButton()));
    p.answer(box);
    EXPECT_TRUE(holdsFor([&] { return p.noBox() && Simulator::requests().size() == 1; }, 1200));

    // The thermostat on again: the next attempt connects.
    ASSERT_EQ(Simulator::command("power on").substr(0, 2), "OK");
    p.click(p.connectButton());
    EXPECT_TRUE(p.waitConnected(true, 5000));
    EXPECT_TRUE(waitFor([&] { return windowText(p.setpointEdit()) == "25,5"; }, 2000));
}

TEST_F(LinkTest, PortThatCannotBeOpenedNamesItself) {
    Program& p = start(portIndexOf("COM2"));
    Simulator::markLog();
    p.click(p.connectButton());
    const Box box = p.waitForBox(5000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.text, "Не могу открыть порт COM2.\n\rПорт отсутствует или\n\rзанят другим приложением.");
    p.answer(box);
    EXPECT_TRUE(IsWindowVisible(p.connectButton()));
    EXPECT_TRUE(IsWindowEnabled(p.connectButton()));
    EXPECT_TRUE(IsWindowEnabled(p.portCombo()));
    EXPECT_TRUE(Simulator::requests().empty());
}

TEST_F(LinkTest, SavedPortIndexBeyondTheListTriesCom100) {
    Program& p = start(9);
    p.click(p.connectButton());
    const Box box = p.waitForBox(5000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.text, "Не могу открыть порт COM100.\n\rПорт отсутствует или\n\rзанят другим приложением.");
    p.answer(box);
    EXPECT_TRUE(IsWindowEnabled(p.connectButton()));
}

TEST_F(LinkTest, StoredStartMomentConnectsByItselfAtStartUp) {
    Simulator::markLog();
    program = std::make_unique<Program>(portIndexOf("COM1"), 26);
    ASSERT_NE(program->window(), nullptr);
    EXPECT_TRUE(program->waitConnected(true, 5000)) << "no connection without the connect button";
    ASSERT_TRUE(Simulator::waitForRequests(1, 2000));
    EXPECT_EQ(hex(Simulator::requests().front().bytes), hex(poll));
    EXPECT_TRUE(program->noBox());
}

TEST_F(LinkTest, StoredStartMomentWithTheSavedPortMissingDoesNotConnect) {
    Simulator::markLog();
    program = std::make_unique<Program>(9, 26);
    ASSERT_NE(program->window(), nullptr);
    // An automatic connection would have sent its poll within this window.
    EXPECT_TRUE(holdsFor([&] { return Simulator::requests().empty() && program->noBox(); }, 1500));
    EXPECT_FALSE(program->connected());
}
