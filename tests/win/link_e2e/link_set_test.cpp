// The operator's set command: its frame, the acknowledgement and the refusal.
#include "link_fixture.h"

namespace {

bool setCommandSeen(const std::string& frame) {
    for (const WireFrame& request : Simulator::requests())
        if (hex(request.bytes) == frame) return true;
    return false;
}

}  // namespace

TEST_F(LinkTest, SetCommandCarriesTheTypedTemperatureAndIsConfirmed) {
    Program& p = startConnected();
    struct Case {
        const char* typed;
        const char* frame;
        const char* shownAfter;
    };
    for (const Case& c : {Case{"25,5", "5A F1 A9 0B 09", "25,5"}, Case{"-10", "5A F1 46 0A E7", "-10,0"},
                          Case{"60", "5A F1 02 0D A4", "60,0"}}) {
        SCOPED_TRACE(c.typed);
        Simulator::markLog();
        p.setText(p.setpointEdit(), c.typed);
        p.click(p.setButton());
        const Box box = p.waitForBox(4000);
        ASSERT_TRUE(box.window);
        EXPECT_EQ(box.caption, "Установка температуры");
        EXPECT_EQ(box.text, "Термостат подтверждает выполнение команды.");
        EXPECT_TRUE(setCommandSeen(c.frame));
        p.answer(box);
        // The thermostat now maintains it, and the field says so.
        EXPECT_TRUE(waitFor([&] { return windowText(p.setpointEdit()) == c.shownAfter; }, 3000))
            << windowText(p.setpointEdit());
    }
    std::size_t setCommands = 0;
    for (const WireFrame& request : Simulator::requests()) setCommands += request.bytes.size() == 5;
    EXPECT_EQ(setCommands, 1u) << "one press, one set command";
}

TEST_F(LinkTest, RefusedSetCommandNamesTheTemperature) {
    Program& p = startConnected();
    ASSERT_EQ(Simulator::command("refuse on").substr(0, 2), "OK");
    Simulator::markLog();
    p.setText(p.setpointEdit(), "25,5");
    p.click(p.setButton());
    const Box box = p.waitForBox(4000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.text, "Термостат не подтверждает установку температуры 25,5°C");
    EXPECT_NE(box.caption, "Установка температуры");
    EXPECT_TRUE(setCommandSeen("5A F1 A9 0B 09"));
    const auto frames = Simulator::frames();
    bool refusalSeen = false;
    for (const WireFrame& frame : frames) refusalSeen = refusalSeen || (!frame.in && hex(frame.bytes) == "00 00");
    EXPECT_TRUE(refusalSeen);
    p.answer(box);
    EXPECT_TRUE(p.connected());
}

TEST_F(LinkTest, InvalidTextSendsNothing) {
    Program& p = startConnected();
    Simulator::markLog();
    p.setText(p.setpointEdit(), "99");  // above 60,0
    p.click(p.setButton());
    ASSERT_TRUE(Simulator::waitForRequests(4, 4000));
    for (const WireFrame& request : Simulator::requests()) EXPECT_EQ(hex(request.bytes), "B3 B3");
    EXPECT_TRUE(p.noBox());
}
