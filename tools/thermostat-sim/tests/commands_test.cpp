// Operator commands and the command line.
#include <gtest/gtest.h>

#include "commands.h"

namespace {

TEST(WideTemperature, AcceptsCommaDotSignAndTheWholeCodeRange)
{
    EXPECT_EQ(parseWideTemperature("25,5"), 2985);
    EXPECT_EQ(parseWideTemperature("25.5"), 2985);
    EXPECT_EQ(parseWideTemperature("-10,0"), 2630);
    EXPECT_EQ(parseWideTemperature("-0,7"), 2723);
    EXPECT_EQ(parseWideTemperature("300"), 5730);
    EXPECT_EQ(parseWideTemperature("-273,0"), 0);
    EXPECT_EQ(parseWideTemperature("6280,5"), 65535);
}

TEST(WideTemperature, RejectsWhatIsNotATemperature)
{
    for (const char* text : {"", "-", ",5", "25,", "25,55", "25,5x", "abc", "-273,1", "6280,6", "99999999999"})
        EXPECT_FALSE(parseWideTemperature(text)) << text;
}

class CommandTest : public ::testing::Test {
protected:
    CommandTest() : thermostat(ThermostatConfig{}, 2980, 2980, 0, [](const std::string&) {}) {}

    std::string run(const std::string& line)
    {
        return runCommand(thermostat, line, 0, quit);
    }

    Thermostat thermostat;
    bool quit = false;
};

TEST_F(CommandTest, FaultCommandsSetTheirCounters)
{
    EXPECT_EQ(run("drop 3").rfind("OK", 0), 0u);
    EXPECT_EQ(run("corrupt 2").rfind("OK", 0), 0u);
    EXPECT_EQ(run("short 1 2").rfind("OK", 0), 0u);
    EXPECT_EQ(run("late 4 650").rfind("OK", 0), 0u);
    EXPECT_EQ(run("refuse on").rfind("OK", 0), 0u);
    const Faults& faults = thermostat.faults();
    EXPECT_EQ(faults.drop, 3u);
    EXPECT_EQ(faults.corrupt, 2u);
    EXPECT_EQ(faults.shorten, 1u);
    EXPECT_EQ(faults.shortenBy, 2u);
    EXPECT_EQ(faults.late, 4u);
    EXPECT_DOUBLE_EQ(faults.lateSeconds, 0.65);
    EXPECT_TRUE(faults.refuse);

    run("late 1");
    EXPECT_DOUBLE_EQ(thermostat.faults().lateSeconds, 0.4);
    run("drop 0");
    run("refuse off");
    run("power off");
    EXPECT_EQ(thermostat.faults().drop, 0u);
    EXPECT_FALSE(thermostat.faults().refuse);
    EXPECT_TRUE(thermostat.faults().powerOff);
    run("POWER ON");
    EXPECT_FALSE(thermostat.faults().powerOff);
}

TEST_F(CommandTest, PanelMeasuredStateAndQuit)
{
    EXPECT_EQ(run("panel 30,0"), "OK maintained 30,0");
    EXPECT_EQ(run("measured -5,5"), "OK measured -5,5");
    EXPECT_EQ(thermostat.maintainedCode(), 3030);
    run("drop 2");
    run("refuse on");
    const std::string state = run("state");
    EXPECT_EQ(state.rfind("OK measured -5,5 (code 2675) maintained 30,0 (code 3030)", 0), 0u) << state;
    EXPECT_NE(state.find("faults: drop 2, refuse"), std::string::npos) << state;
    EXPECT_EQ(run("HOLD 30.2"), "OK measured held at 30,2 until release");
    EXPECT_NE(run("state").find("refuse, hold 30,2"), std::string::npos);
    // A forced value would be undone by the hold at once: refused, not faked.
    EXPECT_EQ(run("measured 20,0").rfind("ERR the bath is held at 30,2", 0), 0u);
    EXPECT_EQ(run("release"), "OK released at 30,2, following maintained 30,0");
    EXPECT_EQ(run("release"), "OK the bath was not held");
    EXPECT_FALSE(quit);
    EXPECT_EQ(run("quit"), "OK quit");
    EXPECT_TRUE(quit);
}

TEST_F(CommandTest, BadCommandsAnswerErrAndChangeNothing)
{
    for (const char* line : {"drop", "drop -1", "drop x", "drop 1 2", "short 1 0", "short 1 5", "late 1 -3",
                             "refuse maybe", "power", "panel", "panel hot", "measured 25,55", "fly 3",
                             "state now", "hold", "hold 30,25", "hold 30,2 31", "hold -273,1", "release 30,2"}) {
        EXPECT_EQ(run(line).rfind("ERR ", 0), 0u) << line;
    }
    EXPECT_EQ(thermostat.faults().drop, 0u);
    EXPECT_EQ(thermostat.faults().shorten, 0u);
    EXPECT_EQ(thermostat.maintainedCode(), 2980);
    EXPECT_EQ(run("   "), "");
}

TEST_F(CommandTest, EchoedJunkStaysOnePrintableLine)
{
    const std::string answer = run(std::string("fly\r\x01\xFF", 6) + std::string(200, 'x'));
    EXPECT_EQ(answer.rfind("ERR unknown command 'fly\\x0D\\x01\\xFFxxx", 0), 0u) << answer;
    EXPECT_LT(answer.size(), 130u);
    for (char c : answer)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F);
}

TEST(Options, ReadsEveryOptionInBothForms)
{
    const char* argv[] = {"thermostat-sim", "--link", "/tmp/com1", "--log=/tmp/sim.log", "--control-port", "0",
                          "--measured", "-5,0", "--maintained-code", "3030", "--tau", "2.5", "--noise", "1",
                          "--reply-delay", "5", "--seed", "7"};
    SimOptions options;
    EXPECT_FALSE(parseOptions(std::size(argv), argv, options));
    EXPECT_EQ(options.linkPath, "/tmp/com1");
    EXPECT_EQ(options.logPath, "/tmp/sim.log");
    EXPECT_EQ(options.controlPort, 0);
    EXPECT_EQ(options.measured, 2680);
    EXPECT_EQ(options.maintained, 3030);
    EXPECT_DOUBLE_EQ(options.thermostat.tauSeconds, 2.5);
    EXPECT_DOUBLE_EQ(options.thermostat.noiseTenths, 1);
    EXPECT_DOUBLE_EQ(options.thermostat.replyDelaySeconds, 0.005);
    EXPECT_EQ(options.thermostat.seed, 7u);
}

TEST(Options, ReportsBadArguments)
{
    const std::vector<std::vector<const char*>> cases = {
        {"--tau"}, {"--tau", "-1"}, {"--tau", "nan"}, {"--measured", "warm"}, {"--control-port", "70000"},
        {"--maintained-code", "65536"}, {"--colour"}, {"--log="}};
    for (auto args : cases) {
        args.insert(args.begin(), "thermostat-sim");
        SimOptions options;
        EXPECT_TRUE(parseOptions(static_cast<int>(args.size()), args.data(), options)) << args[1];
    }
}

}  // namespace
