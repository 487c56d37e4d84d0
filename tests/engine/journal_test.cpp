// The journal's lines: which events come in which order, one reading a
// second while the link is up and none while it is lost, the day file of
// each line, and the one box of a journal that cannot be written.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "front.h"
#include "journal/journal.h"
#include "journal/journal_format.h"
#include "scenario.h"

namespace world {
namespace {

std::vector<JournalLine> linesOf(const World& w) {
    std::vector<JournalLine> lines;
    for (const World::JournalWrite& write : w.journal) {
        JournalLine line;
        // Each write is one whole line, its line break at its end.
        EXPECT_EQ(write.text.find('\n'), write.text.size() - 1) << write.text;
        EXPECT_TRUE(parseJournalLine(write.text.data(), write.text.size() - 1, line)) << write.text;
        lines.push_back(line);
    }
    return lines;
}

// True when the events hold each of the expected texts' beginnings, in
// that order (other events may come between).
testing::AssertionResult eventsInOrder(const std::vector<JournalLine>& lines, const std::vector<std::string>& expected) {
    std::size_t next = 0;
    std::string seen;
    for (const JournalLine& line : lines) {
        if (line.event.empty()) continue;
        seen += "\n  " + line.event;
        if (next < expected.size() && line.event.rfind(expected[next], 0) == 0) ++next;
    }
    if (next == expected.size()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "missing \"" << expected[next] << "\" in:" << seen;
}

struct EventCase {
    const char* name;
    std::function<void(World&)> act;
    std::vector<std::string> events;
};

class JournalEvents : public testing::TestWithParam<EventCase> {};

TEST_P(JournalEvents, ComeInOrderWithOneReadingASecondWhileTheLinkIsUp) {
    const EventCase& c = GetParam();
    World w;
    ASSERT_TRUE(startAndConnect(w, {{kA, 0, 1}, {kB, 0, 1}}, kNoon + 3600, false));
    c.act(w);
    w.close();
    const std::vector<JournalLine> lines = linesOf(w);
    EXPECT_TRUE(eventsInOrder(lines, c.events));
    // Readings: one a second at most, none between a loss and its end.
    bool lost = false;
    std::int64_t last = 0;
    for (const JournalLine& line : lines) {
        if (line.event == "связь потеряна") lost = true;
        if (line.event == "связь восстановлена") lost = false;
        if (!line.event.empty()) continue;
        EXPECT_FALSE(lost) << "a reading while the link was lost";
        EXPECT_GT(line.universalSeconds, last);
        EXPECT_TRUE(line.hasMeasured && line.hasMaintained);
        last = line.universalSeconds;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Journal, JournalEvents,
    testing::Values(
        EventCase{"ConnectedThenClosed", [](World& w) { w.runFor(5000); },
                  {"запуск программы", "подключение к порту COM1", "связь установлена", "выход из программы"}},
        EventCase{"LostAndRestored",
                  [](World& w) {
                      w.boxRule = answerBy({{kLostCaption, {box::answerOk, 30'000}}});
                      w.thermostat().dropReplies(2);
                      w.runFor(6000);
                  },
                  {"связь установлена", "связь потеряна", "связь восстановлена"}},
        EventCase{"SetByHandAndConfirmed",
                  [](World& w) {
                      w.type(Control::setpointEdit, "30,0");
                      w.click(Control::setButton);
                      w.runFor(2000);
                  },
                  {"отправлена команда установки температуры: было 25,5 °C, стало 30,0 °C",
                   "термостат подтвердил установку температуры"}},
        EventCase{"ARunToItsEnd",
                  [](World& w) {
                      w.typeStart(1, 1, 30, 10, 0);
                      w.click(Control::runButton);
                      w.runUntilWall(kNoon + 3 * 60);
                  },
                  {"программа этапов запущена", "отправлен этап 1: 25,0 °C", "отправлен этап 2: 30,0 °C",
                   "программа этапов выполнена"}},
        EventCase{"AStageAppendedThenTheListCleared",
                  [](World& w) {
                      w.addStage("10,0", 1, 0);
                      w.click(Control::clearListButton);
                  },
                  {"добавлен этап 3, этапов в списке: 3", "список этапов очищен, этапов в списке: 0"}}));

TEST(JournalFiles, EachLineGoesToTheFileOfItsLocalDay) {
    World w(startingAt(wallSeconds(2030, 1, 1, 23, 59, 50)));
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, wallSeconds(2030, 1, 2, 12, 0), false));
    w.runUntilWall(wallSeconds(2030, 1, 2, 0, 0, 5));
    ASSERT_FALSE(w.journal.empty());
    EXPECT_EQ(w.journal.front().fileName, "2030-01-01.csv");
    EXPECT_EQ(w.journal.back().fileName, "2030-01-02.csv");
    EXPECT_EQ(w.journal.back().text.substr(0, 18), "02.01.2030 00:00:0");
}

TEST(JournalFiles, AFailedWriteIsToldOnceUntilTheJournalWritesAgain) {
    World w;
    ASSERT_TRUE(startAndConnect(w, {{kA, 1, 0}}, kNoon + 3600, false));
    const auto told = [&] { return w.boxesWithText(kJournalFailedText).size(); };
    onEngineJournalWritten(false);
    onEngineJournalWritten(false);
    EXPECT_EQ(told(), 1u);
    onEngineJournalWritten(true);
    EXPECT_EQ(told(), 1u);
    onEngineJournalWritten(false);
    EXPECT_EQ(told(), 2u);
    // Control went on under the box.
    EXPECT_TRUE(linkIsUp());
}

}  // namespace
}  // namespace world
