// The alerts as the running program sends them: which event goes out when,
// one request at a time, kept across a restart while the lab's server is
// down, the heartbeat at its interval, and the file's problems in one box.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "front.h"
#include "alerts/alerts.h"
#include "scenario.h"

namespace world {
namespace {

constexpr char kIni[] =
    "[webhook]\r\nurl=https://hooks.example.org/T0KEN?key=secret\r\n"
    "[heartbeat]\r\nurl=http://monitor.example.org/ping\r\nminutes=1\r\n"
    "[deviation]\r\nband=1,0\r\nminutes=2\r\n";

// The alerts' kinds in the order they were posted, each answered with status.
std::vector<std::string> posted(World& w, std::size_t& answered, int status) {
    std::vector<std::string> kinds;
    for (; answered < w.requests.size(); ++answered) {
        const World::Request r = w.requests[answered];
        if (r.method == "POST") {
            const std::size_t at = r.body.find("\"event\":\"") + 9;
            kinds.push_back(r.body.substr(at, r.body.find('"', at) - at));
        }
        onEngineHttpAnswer(r.id, status, "");
    }
    return kinds;
}

struct AlertCase {
    const char* name;
    std::function<void(World&)> act;
    std::vector<std::string> kinds;
};

class Alerts : public testing::TestWithParam<AlertCase> {};

TEST_P(Alerts, GoOutInTheOrderOfTheirEvents) {
    const AlertCase& c = GetParam();
    World w;
    w.alertsIni = kIni;
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}, {kB, 1, 0}}, kNoon + 3600, false));
    std::size_t answered = 0;
    std::vector<std::string> kinds;
    w.at(w.nowMs(), [] {});
    c.act(w);
    for (int i = 0; i < 5; ++i) {
        const auto more = posted(w, answered, 200);
        kinds.insert(kinds.end(), more.begin(), more.end());
        w.runFor(1500);
    }
    EXPECT_EQ(kinds, c.kinds);
    // Nothing of the address beyond its host and port reaches the journal.
    for (const World::JournalWrite& line : w.journal) EXPECT_EQ(line.text.find("secret"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Alerts,
    testing::Values(
        AlertCase{"ALostLinkThatComesBack",
                  [](World& w) {
                      w.boxRule = answerBy({{kLostCaption, {box::answerOk, 30'000}}});
                      w.thermostat().dropReplies(3);
                      w.runFor(6000);
                  },
                  {"link_lost", "link_restored"}},
        AlertCase{"ABathHeldOffItsSetPoint",
                  [](World& w) {
                      w.runFor(5000);
                      w.thermostat().hold(kA + 50, w.seconds());
                      w.runFor(125'000);
                      w.thermostat().release(w.seconds());
                      w.thermostat().hold(kA - 5, w.seconds());
                      w.runFor(3000);
                  },
                  {"deviation", "deviation_cleared"}},
        AlertCase{"ABathOnItsWayToANewSetPointRaisesNothing",
                  [](World& w) {
                      w.type(Control::setpointEdit, "60,0");
                      w.click(Control::setButton);
                      w.runFor(180'000);
                  },
                  {}}));

TEST(AlertDelivery, WaitsForADownServerAcrossARestartAndKeepsItsOrder) {
    World w;
    w.alertsIni = kIni;
    w.boxRule = answerBy({{kLostCaption, {box::answerOk, 30'000}}});
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    w.thermostat().dropReplies(3);
    w.runFor(6000);
    std::size_t answered = 0;
    EXPECT_EQ(posted(w, answered, 503), std::vector<std::string>{"link_lost"});
    w.runFor(5000);  // the retry waits 10 s
    EXPECT_TRUE(posted(w, answered, 503).empty());
    w.kill();
    w.start();
    // The retry keeps its time from before the kill, and the alert made
    // after the loss waits behind it.
    w.runFor(6000);
    EXPECT_EQ(posted(w, answered, 200), (std::vector<std::string>{"link_lost"}));
    w.runFor(2000);
    EXPECT_EQ(posted(w, answered, 200), (std::vector<std::string>{"link_restored"}));
}

TEST(AlertDelivery, HeartbeatComesEachIntervalAndTheFilesProblemsInOneBox) {
    World w;
    w.alertsIni = std::string(kIni) + "minute=3\r\n";
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    std::size_t answered = 0;
    for (int i = 0; i < 25; ++i) {
        w.runFor(5000);
        posted(w, answered, 200);
    }
    std::vector<std::int64_t> beats;
    for (const World::Request& r : w.requests)
        if (r.method == "GET") beats.push_back(static_cast<std::int64_t>(r.id));
    EXPECT_EQ(beats.size(), 3u);  // at the start, after 1 and 2 minutes
    const auto boxes = w.boxesWithText("строка 9");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kAlertsCaption);
}

}  // namespace
}  // namespace world
