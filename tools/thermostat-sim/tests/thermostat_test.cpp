// Replies, faults and the bath of the simulated thermostat, with a clock the
// tests move by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "thermostat.h"

namespace {

const Bytes kPoll{0xB3, 0xB3};
const Bytes kSet255{0x5A, 0xF1, 0xA9, 0x0B, 0x09};  // 25,5
const Bytes kStatus250Of255{0xA4, 0x0B, 0xA9, 0x0B, 0x0D};

class ThermostatTest : public ::testing::Test {
protected:
    ThermostatTest() { config.tauSeconds = 1e9; }

    Thermostat& make(double measured = 2980, TemperatureCode maintained = 2985)
    {
        thermostat.emplace(config, measured, maintained, now, [this](const std::string& line) { log.push_back(line); });
        return *thermostat;
    }

    // Sends a request and returns what arrives within the given time.
    std::vector<Bytes> exchange(const Bytes& request, double wait = 0.05)
    {
        thermostat->receive(request.data(), request.size(), now);
        now += wait;
        return thermostat->takeDueReplies(now);
    }

    bool logged(const std::string& text) const
    {
        for (const auto& line : log)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    ThermostatConfig config;
    double now = 1000.0;
    std::optional<Thermostat> thermostat;
    std::vector<std::string> log;
};

TEST_F(ThermostatTest, AnswersPollWithTheWorkedStatusFrameAfterTheReplyDelay)
{
    make();
    thermostat->receive(kPoll.data(), kPoll.size(), now);
    ASSERT_TRUE(thermostat->nextReplyDue());
    EXPECT_NEAR(*thermostat->nextReplyDue(), now + 0.020, 1e-9);
    EXPECT_TRUE(thermostat->takeDueReplies(now + 0.019).empty());
    auto replies = thermostat->takeDueReplies(now + 0.020);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], kStatus250Of255);
    EXPECT_EQ(log, (std::vector<std::string>{"IN B3 B3", "OUT A4 0B A9 0B 0D"}));
}

TEST_F(ThermostatTest, SetCommandIsConfirmedAndApplied)
{
    make(2980, 2980);
    auto replies = exchange(kSet255);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x55, 0x55}));
    EXPECT_EQ(thermostat->maintainedCode(), 2985);
    EXPECT_EQ(exchange(kPoll).at(0), kStatus250Of255);
    EXPECT_TRUE(logged("IN 5A F1 A9 0B 09"));
    EXPECT_TRUE(logged("NOTE maintained 25,0 -> 25,5 by set command"));
}

TEST_F(ThermostatTest, SetCommandWithBadCheckIsNotAnsweredNorApplied)
{
    make(2980, 2980);
    EXPECT_TRUE(exchange({0x5A, 0xF1, 0xA9, 0x0B, 0x0A}, 1.0).empty());
    EXPECT_FALSE(thermostat->nextReplyDue());
    EXPECT_EQ(thermostat->maintainedCode(), 2980);
    EXPECT_EQ(thermostat->counters().badFrames, 1u);
    EXPECT_TRUE(logged("bad check byte (expected 09)"));
}

TEST_F(ThermostatTest, JunkBeforeAPollIsLoggedAndThePollStillAnswered)
{
    make();
    auto replies = exchange({0x00, 0x00, 0xB3, 0xB3});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], kStatus250Of255);
    EXPECT_EQ(log.at(0), "IN 00 00");
    EXPECT_EQ(log.at(1), "NOTE dropped 2 bytes outside any frame");
    EXPECT_EQ(log.at(2), "IN B3 B3");
}

TEST_F(ThermostatTest, DropLosesExactlyTheNextRepliesButStillAppliesSetCommands)
{
    make(2980, 2980);
    thermostat->dropReplies(2);
    EXPECT_TRUE(exchange(kPoll).empty());
    EXPECT_TRUE(exchange(kSet255).empty());
    EXPECT_EQ(thermostat->maintainedCode(), 2985);
    EXPECT_EQ(exchange(kPoll).size(), 1u);
    EXPECT_EQ(thermostat->counters().repliesDropped, 2u);
    EXPECT_EQ(thermostat->faults().drop, 0u);
}

TEST_F(ThermostatTest, CorruptBreaksTheCheckOfTheNextRepliesOnly)
{
    make();
    thermostat->corruptReplies(2);
    auto status = exchange(kPoll).at(0);
    auto ack = exchange(kSet255).at(0);
    EXPECT_EQ(status.size(), 5u);
    EXPECT_NE(status[4], 0x0D);
    EXPECT_EQ(ack, (Bytes{0x55, 0x54}));
    EXPECT_EQ(exchange(kPoll).at(0), kStatus250Of255);
}

TEST_F(ThermostatTest, ShortCutsTheReplyButNeverToNothing)
{
    make();
    thermostat->shortenReplies(1, 1);
    EXPECT_EQ(exchange(kPoll).at(0), (Bytes{0xA4, 0x0B, 0xA9, 0x0B}));
    thermostat->shortenReplies(2, 4);
    EXPECT_EQ(exchange(kPoll).at(0), (Bytes{0xA4}));
    EXPECT_EQ(exchange(kSet255).at(0), (Bytes{0x55}));
    EXPECT_EQ(exchange(kPoll).at(0).size(), 5u);
}

TEST_F(ThermostatTest, LateRepliesComeAfterTheirDelayAndKeepTheirOrder)
{
    make();
    thermostat->delayReplies(1, 0.4);
    thermostat->receive(kPoll.data(), kPoll.size(), now);
    EXPECT_TRUE(thermostat->takeDueReplies(now + 0.399).empty());
    // A second request before the late reply is out: its answer waits behind it.
    thermostat->receive(kPoll.data(), kPoll.size(), now + 0.1);
    auto replies = thermostat->takeDueReplies(now + 0.4);
    EXPECT_EQ(replies.size(), 2u);
    now += 1;
    thermostat->receive(kPoll.data(), kPoll.size(), now);
    EXPECT_NEAR(*thermostat->nextReplyDue(), now + 0.02, 1e-9);
}

TEST_F(ThermostatTest, RefuseAnswersZeroZeroAndKeepsTheMaintainedTemperature)
{
    make(2980, 2980);
    thermostat->setRefuse(true);
    EXPECT_EQ(exchange(kSet255).at(0), (Bytes{0x00, 0x00}));
    EXPECT_EQ(thermostat->maintainedCode(), 2980);
    EXPECT_EQ(thermostat->counters().refusedSets, 1u);
    thermostat->setRefuse(false);
    EXPECT_EQ(exchange(kSet255).at(0), (Bytes{0x55, 0x55}));
    EXPECT_EQ(thermostat->maintainedCode(), 2985);
}

TEST_F(ThermostatTest, PowerOffIsSilentAndForgetsPendingReplies)
{
    make(2980, 2980);
    thermostat->receive(kPoll.data(), kPoll.size(), now);
    // Half a set command is on its way when the power goes.
    thermostat->receive(kSet255.data(), 2, now);
    thermostat->setPower(false);
    EXPECT_FALSE(thermostat->nextReplyDue());
    EXPECT_TRUE(exchange(kSet255, 2.0).empty());
    EXPECT_EQ(thermostat->maintainedCode(), 2980);
    EXPECT_TRUE(logged("power is off: 5 bytes ignored"));

    thermostat->setPower(true);
    // The rest of the half frame sent before power-off must not complete it.
    EXPECT_TRUE(exchange({0xA9, 0x0B, 0x09}).empty());
    EXPECT_EQ(exchange(kPoll).size(), 1u);
}

TEST_F(ThermostatTest, PanelChangesTheMaintainedTemperatureSeenInTheNextStatus)
{
    make();
    thermostat->setFromPanel(3030, now);  // 30,0
    auto status = exchange(kPoll).at(0);
    EXPECT_EQ(status[2] | status[3] << 8, 3030);
    EXPECT_TRUE(logged("NOTE maintained 25,5 -> 30,0 at the panel"));
}

TEST_F(ThermostatTest, BathApproachesTheMaintainedTemperatureAsAFirstOrderLag)
{
    config.tauSeconds = 60;
    make(2980, 3030);  // 25,0 towards 30,0
    const double start = now;
    TemperatureCode previous = thermostat->measuredCode(now);
    for (int minute = 1; minute <= 10; ++minute) {
        TemperatureCode m = thermostat->measuredCode(start + minute * 60);
        EXPECT_GE(m, previous);
        EXPECT_LE(m, 3030);
        previous = m;
    }
    // After one time constant, 63 % of the way: 25 + 5 * (1 - 1/e).
    Bath bath(2980, 60, 0);
    bath.advance(3030, 60);
    EXPECT_NEAR(bath.measured(), 3030 - 50 * std::exp(-1.0), 1e-6);
    // Ten time constants later it has arrived.
    EXPECT_EQ(previous, 3030);

    // And downwards, in many small steps, the same as in one.
    Bath stepped(3030, 60, 0);
    for (int i = 1; i <= 600; ++i)
        stepped.advance(2930, i * 0.1);
    Bath once(3030, 60, 0);
    once.advance(2930, 60);
    EXPECT_NEAR(stepped.measured(), once.measured(), 1e-6);
    EXPECT_LT(once.measured(), 3030);
    EXPECT_GT(once.measured(), 2930);
}

TEST_F(ThermostatTest, BathIgnoresAClockThatStepsBack)
{
    Bath bath(2980, 60, 100);
    bath.advance(3030, 50);
    EXPECT_EQ(bath.measured(), 2980);
    bath.advance(3030, 110);
    EXPECT_GT(bath.measured(), 2980);
}

TEST_F(ThermostatTest, NoiseStaysWithinItsBounds)
{
    config.noiseTenths = 3;
    make(2980, 2980);
    int lowest = 99999, highest = 0;
    for (int i = 0; i < 200; ++i) {
        auto status = exchange(kPoll).at(0);
        const int measured = status[0] | status[1] << 8;
        lowest = std::min(lowest, measured);
        highest = std::max(highest, measured);
        EXPECT_EQ(status[4], status[0] ^ status[1] ^ status[2] ^ status[3]);
    }
    EXPECT_GE(lowest, 2977);
    EXPECT_LE(highest, 2983);
    EXPECT_LT(lowest, highest);
}

TEST_F(ThermostatTest, HeldBathStaysPutUntilReleasedThenFollowsWithItsLag)
{
    config.tauSeconds = 60;
    make(2980, 2980);
    thermostat->hold(3032, now);  // 30,2 over a maintained 25,0
    EXPECT_EQ(exchange(kSet255).at(0), (Bytes{0x55, 0x55}));
    thermostat->setFromPanel(2630, now);
    for (int minute = 1; minute <= 10; ++minute, now += 60)
        EXPECT_EQ(exchange(kPoll).at(0), (Bytes{0xD8, 0x0B, 0x46, 0x0A, 0x9F})) << minute;
    // The lag starts at the release, from the held value, not from when the hold began.
    ASSERT_TRUE(thermostat->release(now));
    EXPECT_EQ(thermostat->measuredCode(now), 3032);
    EXPECT_EQ(thermostat->measuredCode(now + 60), std::lround(2630 + 402 * std::exp(-1.0)));
}

TEST_F(ThermostatTest, MeasuredCanBeForced)
{
    make();
    thermostat->forceMeasured(2630, now);
    auto status = exchange(kPoll).at(0);
    EXPECT_EQ(status[0] | status[1] << 8, 2630);
}

}  // namespace
