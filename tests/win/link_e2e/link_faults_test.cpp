// Faults on the line while connected: bad check bytes, lost replies, a
// thermostat that stays silent.
#include "link_fixture.h"

namespace {

const char kLostText[] =
    "Термостат не отвечает на запрос!\n\n\rВозможные причины:\n\n\rсбой на линии связи;\n\rвыключение термостата.\n\n";

}  // namespace

TEST_F(LinkTest, BadCheckByteIsIgnoredAndTheTimeOutDecides) {
    Program& p = startConnected();
    ASSERT_TRUE(Simulator::waitForRequests(2, 3000));
    ASSERT_EQ(Simulator::command("corrupt 1").substr(0, 2), "OK");
    // The corrupted reply carries another maintained temperature; taken, it
    // would change the field.
    ASSERT_EQ(Simulator::command("panel 40,0").substr(0, 2), "OK");
    Simulator::markLog();

    // Not taken: the request goes unanswered, so the link counts as lost.
    const Box box = p.waitForBox(4000);
    ASSERT_TRUE(box.window) << "a reply with a bad check byte was accepted";
    EXPECT_EQ(box.caption, "Ошибка связи");
    EXPECT_TRUE(p.waitBoxGone(box, 4000)) << "the next good reply closes the box";
    EXPECT_TRUE(p.connected());

    // The corrupted reply went out, and the next request came only with the
    // time-out and the first retry, two seconds after the unanswered one.
    const auto frames = Simulator::frames();
    std::size_t corrupted = 0;
    while (corrupted < frames.size() &&
           (frames[corrupted].in || frames[corrupted].bytes.size() != 5 ||
            (frames[corrupted].bytes[0] ^ frames[corrupted].bytes[1] ^ frames[corrupted].bytes[2] ^
             frames[corrupted].bytes[3] ^ frames[corrupted].bytes[4]) == 0))
        ++corrupted;
    ASSERT_LT(corrupted, frames.size()) << "no corrupted reply on the wire";
    ASSERT_GE(corrupted, 1u);
    ASSERT_TRUE(frames[corrupted - 1].in);
    std::size_t next = corrupted + 1;
    while (next < frames.size() && !frames[next].in) ++next;
    ASSERT_LT(next, frames.size());
    EXPECT_GT(frames[next].ms - frames[corrupted - 1].ms, 1500);
    EXPECT_TRUE(waitFor([&] { return windowText(p.setpointEdit()) == "40,0"; }, 3000));
}

TEST_F(LinkTest, LostRepliesBringTheErrorBoxRetriesEverySecondAndAReplyClosesIt) {
    Program& p = startConnected();
    ASSERT_TRUE(Simulator::waitForRequests(2, 3000));
    ASSERT_EQ(Simulator::command("drop 4").substr(0, 2), "OK");
    Simulator::markLog();

    const Box box = p.waitForBox(4000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.caption, "Ошибка связи");
    EXPECT_EQ(box.text, kLostText);
    EXPECT_FALSE(IsWindowEnabled(p.setButton())) << "no set command while the link is lost";
    EXPECT_FALSE(IsWindowVisible(p.connectButton()));

    // The box goes by itself with the first reply after the four lost ones.
    EXPECT_TRUE(p.waitBoxGone(box, 8000));
    EXPECT_TRUE(p.connected());
    ASSERT_TRUE(Simulator::waitForRequests(8, 5000));

    std::vector<WireFrame> requests = Simulator::requests();
    // Requests 0..3 went unanswered; 1..4 are retries a second apart.
    for (std::size_t i = 1; i <= 4; ++i) {
        EXPECT_EQ(hex(requests[i].bytes), "B3 B3");
        EXPECT_GT(requests[i].ms - requests[i - 1].ms, 800) << "retry " << i;
    }
    // The cycle runs again at its own pace.
    requests.erase(requests.begin(), requests.begin() + 5);
    EXPECT_LT(median(intervals(requests)), 700);
}

TEST_F(LinkTest, ClosingTheErrorBoxGivesTheConnectionUpAndSendsNothingMore) {
    Program& p = startConnected();
    ASSERT_TRUE(Simulator::waitForRequests(2, 3000));
    ASSERT_EQ(Simulator::command("power off").substr(0, 2), "OK");

    const Box box = p.waitForBox(4000);
    ASSERT_TRUE(box.window);
    EXPECT_EQ(box.caption, "Ошибка связи");
    const std::size_t sent = Simulator::requests().size();
    ASSERT_TRUE(Simulator::waitForRequests(sent + 2, 5000)) << "retries while the box is up";
    p.answer(box);
    EXPECT_TRUE(p.waitConnected(false, 3000)) << "port controls shown again";
    EXPECT_TRUE(IsWindowEnabled(p.connectButton()));
    EXPECT_TRUE(IsWindowEnabled(p.portCombo()));
    EXPECT_FALSE(IsWindowEnabled(p.setButton()));

    // Two exchange periods and a reply time-out in which nothing may happen.
    Simulator::markLog();
    EXPECT_TRUE(holdsFor([&] { return Simulator::requests().empty() && p.noBox(); }, 2000))
        << "sent or asked after the connection was given up";
    EXPECT_TRUE(p.responds());

    // The operator connects again once the thermostat is back.
    ASSERT_EQ(Simulator::command("power on").substr(0, 2), "OK");
    p.click(p.connectButton());
    EXPECT_TRUE(p.waitConnected(true, 5000));
}
