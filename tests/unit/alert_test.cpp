// The alerts: the settings file, the rules that make alerts and heartbeats,
// the delivery queue and the bodies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "alerts/alert_body.h"
#include "alerts/alert_queue.h"
#include "alerts/alert_rules.h"
#include "alerts/alert_settings.h"
#include "journal/journal_format.h"

namespace {

AlertSettings settingsWith(std::string webhook, AlertFormat format, std::string heartbeat, int heartbeatMinutes,
                           int band, int deviationMinutes) {
    return AlertSettings{std::move(webhook), format, std::move(heartbeat), heartbeatMinutes, band, deviationMinutes};
}

void expectSame(const AlertSettings& a, const AlertSettings& b) {
    EXPECT_EQ(a.webhookUrl, b.webhookUrl);
    EXPECT_EQ(a.format, b.format);
    EXPECT_EQ(a.heartbeatUrl, b.heartbeatUrl);
    EXPECT_EQ(a.heartbeatMinutes, b.heartbeatMinutes);
    EXPECT_EQ(a.bandTenths, b.bandTenths);
    EXPECT_EQ(a.deviationMinutes, b.deviationMinutes);
}

TEST(AlertSettings, FilesGiveTheirSettingsAndNameEachWrongLine) {
    const AlertSettings defaults;
    const struct {
        const char* name;
        std::string text;
        AlertSettings expected;
        std::vector<std::string> problems;
    } rows[] = {
        {"good file, BOM, CRLF, comments, blanks, a point",
         "\xEF\xBB\xBF; alerts\r\n[webhook]\r\nurl = https://hooks.example.org/x?token=abc\r\nformat=text\r\n\r\n"
         "   ; indented comment\r\n[heartbeat]\r\nurl=http://mon.lab:8080/ping\r\nminutes=15\r\n[deviation]\r\n"
         "band=0.5\r\nminutes=3  \r\n",
         settingsWith("https://hooks.example.org/x?token=abc", AlertFormat::text, "http://mon.lab:8080/ping", 15, 5, 3),
         {}},
        {"wrong key and wrong values keep their defaults, the rest applies",
         "[deviation]\nminute=5\nband=2,55\n[webhook]\nurl=http://h\nformat=xml\n",
         settingsWith("http://h", AlertFormat::json, "", 5, 10, 10),
         {"строка 2: неизвестный ключ «minute» в разделе [deviation]",
          "строка 3: band должен быть числом от 0,1 до 50,0, не больше одного знака после запятой",
          "строка 6: format должен быть json или text"}},
        {"band with a comma, minutes out of range",
         "[heartbeat]\nurl=http://h/\nminutes=0\n[deviation]\nband=12,5\nminutes=1441",
         settingsWith("", AlertFormat::json, "http://h/", 5, 125, 10),
         {"строка 3: minutes должен быть целым числом от 1 до 1440",
          "строка 6: minutes должен быть целым числом от 1 до 1440"}},
        {"a webhook section without url sends nothing", "[webhook]\nformat=text\n",
         settingsWith("", AlertFormat::text, "", 5, 10, 10),
         {"строка 1: в разделе [webhook] нет ключа url: оповещения не отправляются"}},
        {"an empty url is an explicit none", "[webhook]\nurl=\n[heartbeat]\nurl=\n", defaults, {}},
        {"a key before any section, an unknown section and its keys, a key given again, a bad url, a stray line",
         "url=http://a\n[alarm]\nx=1\n[webhook]\nurl=http://a\nurl=http://b\n[heartbeat]\nurl=ftp://x\nnonsense\n"
         "[Deviation]\n",
         settingsWith("http://a", AlertFormat::json, "", 5, 10, 10),
         {"строка 1: ключ «url» стоит до первого раздела",
          "строка 2: неизвестный раздел [alarm]; разделы: [webhook], [heartbeat], [deviation]",
          "строка 6: ключ url уже задан в строке 5; действует то значение",
          "строка 8: url должен начинаться с http:// или https://, содержать имя сервера и состоять из латинских "
          "букв, цифр и знаков, без пробелов",
          "строка 9: непонятная строка; ожидается [раздел], ключ=значение или комментарий после «;»",
          "строка 10: неизвестный раздел [Deviation]; разделы: [webhook], [heartbeat], [deviation]"}},
        {"a quoted name is cut and kept printable", "[deviation]\n\x01" + std::string(40, 'k') + "=1\n",
         defaults, {"строка 2: неизвестный ключ «?" + std::string(31, 'k') + "...» в разделе [deviation]"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const AlertSettingsLoad load = parseAlertSettings(row.text.data(), row.text.size());
        expectSame(load.settings, row.expected);
        std::vector<std::string> problems;
        for (const AlertProblem& p : load.problems) problems.push_back(p.text);
        EXPECT_EQ(problems, row.problems);
    }
}

TEST(AlertSettings, FieldChecksTakeWhatTheFileTakes) {
    const struct {
        const char* text;
        bool band;
        int tenths;
        bool minutes;
        int value;
    } rows[] = {
        {"0,1", true, 1, false, 0},   {"50,0", true, 500, false, 0}, {"50", true, 500, true, 50},
        {"1.5", true, 15, false, 0},  {"0", false, 0, false, 0},     {"0,0", false, 0, false, 0},
        {"50,1", false, 0, false, 0}, {"1,55", false, 0, false, 0},  {",5", false, 0, false, 0},
        {"1,", false, 0, false, 0},   {"-1", false, 0, false, 0},    {"1440", false, 0, true, 1440},
        {"1441", false, 0, false, 0}, {"", false, 0, false, 0},      {"99999999999", false, 0, false, 0},
    };
    for (const auto& row : rows) {
        int tenths = -7, minutes = -7;
        EXPECT_EQ(alertBandValid(row.text, tenths), row.band) << row.text;
        EXPECT_EQ(alertMinutesValid(row.text, minutes), row.minutes) << row.text;
        if (row.band) {
            EXPECT_EQ(tenths, row.tenths) << row.text;
        }
        if (row.minutes) {
            EXPECT_EQ(minutes, row.value) << row.text;
        }
    }
    const struct {
        const char* url;
        bool valid;
        const char* origin;
    } urls[] = {
        {"https://hooks.example.org/services/T0/B1/SECRET", true, "https://hooks.example.org:443"},
        {"http://Lab.Example:8080/x?token=abc#f", true, "http://lab.example:8080"},
        {"HTTP://h?key=1", true, "http://h:80"},
        {"https://user:pass@h/", true, "https://h:443"},
        {"http://[::1]/x", true, "http://[::1]:80"},
        {"ftp://h", false, ""},           {"http://", false, ""},         {"http:///path", false, ""},
        {"http://a b/", false, ""},       {"http://h:0", false, ""},      {"http://h:65536", false, ""},
        {"http://h:", false, ""},         {"http://h/\x01", false, ""},   {"http://\xD1\x85/", false, ""},
        {"http://[]/", false, ""},        {"h.example/x", false, ""},
    };
    for (const auto& row : urls) {
        EXPECT_EQ(alertUrlValid(row.url), row.valid) << row.url;
        EXPECT_EQ(urlOrigin(row.url), row.origin) << row.url;
    }
    EXPECT_FALSE(alertUrlValid(nullptr));
}

TEST(AlertSettings, WrittenFileReadsBackAndTheBoxListsTheProblems) {
    const AlertSettings settings =
        settingsWith("https://h.example/a?b=c;d", AlertFormat::text, "http://m:81/p", 1440, 500, 1);
    const std::string text = formatAlertSettings(settings);
    const AlertSettingsLoad load = parseAlertSettings(text.data(), text.size());
    expectSame(load.settings, settings);
    EXPECT_TRUE(load.problems.empty());
    // An address that could break the file's lines apart is written empty.
    const std::string injected =
        formatAlertSettings(settingsWith("http://h\r\n[heartbeat]\r\nurl=http://x", AlertFormat::json, "", 5, 10, 10));
    const AlertSettingsLoad back = parseAlertSettings(injected.data(), injected.size());
    EXPECT_EQ(back.settings.webhookUrl, "");
    EXPECT_EQ(back.settings.heartbeatUrl, "");

    EXPECT_EQ(alertProblemsText({}), "");
    std::vector<AlertProblem> problems;
    for (int i = 1; i <= 12; ++i) problems.push_back({i, "p" + std::to_string(i)});
    std::string expected = "В файле оповещений alerts.ini есть ошибки; остальные настройки действуют:";
    for (int i = 1; i <= 10; ++i) expected += "\n\rp" + std::to_string(i);
    EXPECT_EQ(alertProblemsText(problems), expected + "\n\rИ ещё ошибок: 2.");
}

// A stretch of exchange ticks every 500 ms up to untilMs, and the kinds of
// the alerts they make.
struct Span {
    std::int64_t untilMs;
    bool up;
    int measured;
    int maintained;
    const char* expected;
    bool setpointFirst = false;
};

TEST(AlertDeviation, AnExcursionIsToldOnceAfterTheDelayOfLinkTimeAndClearedOnce) {
    const struct {
        const char* name;
        std::vector<Span> spans;
    } rows[] = {
        {"held off the band longer than the minutes",
         {{1000, true, 250, 250, ""},
          {601500, true, 262, 250, ""},  // timed from 1500: 600 000 ms is not longer
          {602000, true, 262, 250, "deviation"},
          {700000, true, 238, 250, ""},
          {700500, true, 255, 250, "deviation_cleared"}}},
        {"exactly at the band is no deviation", {{0, true, 250, 250, ""}, {2000000, true, 260, 250, ""}}},
        {"nothing before the bath was first within the band", {{2000000, true, 350, 250, ""}}},
        {"a new set-point on its way raises nothing, even while the reply still shows the old one",
         {{1000, true, 250, 250, ""},
          {2000, true, 250, 250, "", true},
          {2000000, true, 255, 300, ""},
          {2000500, true, 295, 300, ""},
          {2601000, true, 250, 300, ""},
          {2601500, true, 250, 300, "deviation"}}},
        {"the delay pauses while the link is lost and goes on after",
         {{0, true, 250, 250, ""},
          {300500, true, 262, 250, ""},
          {900000, false, 0, 0, ""},
          {1200500, true, 262, 250, ""},
          {1201000, true, 262, 250, "deviation"}}},
        {"a set-point change after a deviation clears it at the new temperature",
         {{0, true, 250, 250, ""},
          {601000, true, 238, 250, "deviation"},
          {700000, true, 238, 300, ""},
          {700500, true, 295, 300, "deviation_cleared"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        resetAlertRules(settingsWith("http://h", AlertFormat::json, "", 5, 10, 10));
        std::int64_t ms = 0;
        for (const Span& span : row.spans) {
            if (span.setpointFirst) alertSetpointChanged();
            std::string kinds;
            for (; ms <= span.untilMs; ms += 500) {
                alertTick(ms, span.up, static_cast<std::int16_t>(span.measured),
                          static_cast<std::int16_t>(span.maintained), AlertSnapshot{}, AlertTime{});
                for (const AlertEvent& event : takeDueAlerts())
                    kinds += (kinds.empty() ? "" : " ") + std::string(alertKindName(event.kind));
            }
            EXPECT_EQ(kinds, span.expected) << "until " << span.untilMs;
        }
    }
}

TEST(AlertRules, LinkEventsOncePerOutageTheDeviationSentenceAndHeartbeats) {
    resetAlertRules(AlertSettings{});
    alertLinkLost({}, {});
    alertTest({}, {});
    EXPECT_TRUE(takeDueAlerts().empty()) << "no webhook address, no alert";

    resetAlertRules(settingsWith("http://h", AlertFormat::json, "http://m", 5, 10, 10));
    alertLinkRestored({}, {});  // the first connection
    alertLinkLost({}, {});
    alertLinkLost({}, {});
    alertLinkGivenUp(true, {}, {});
    alertLinkGivenUp(false, {}, {});
    alertLinkRestored({}, {});
    alertLinkRestored({}, {});
    alertRunStopped(StopCause::listCleared, {}, {});
    const std::vector<AlertEvent> link = takeDueAlerts();
    std::string kinds;
    for (const AlertEvent& event : link) kinds += std::string(alertKindName(event.kind)) + " ";
    EXPECT_EQ(kinds, "link_lost link_given_up link_restored run_stopped ");
    EXPECT_TRUE(link.back().hasCause && link.back().cause == StopCause::listCleared && !link.front().hasCause);

    for (std::int64_t ms = 0; ms <= 601000; ms += 500) alertTick(ms, true, ms == 0 ? 250 : 302, 250, {}, {});
    const std::vector<AlertEvent> due = takeDueAlerts();
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].text, "Температура ванны 30,2 °C отличается от заданной 25,0 °C больше чем на 1,0 °C уже 10 мин.");

    const struct { std::int64_t ms; bool due; } beats[] = {{1000, true},    {2000, false},   {300999, false}, {301000, true},
                 {1000000, true}, {1200999, false}, {1201000, true}};
    for (const auto& beat : beats) EXPECT_EQ(heartbeatDue(beat.ms), beat.due) << beat.ms;
    const struct { bool ok; bool toJournal; } results[] = {{false, true}, {false, false}, {true, false}, {false, true}};
    for (const auto& result : results) {
        heartbeatResult(result.ok);
        EXPECT_EQ(heartbeatFailureToJournal(), result.toJournal);
        EXPECT_FALSE(heartbeatFailureToJournal());
    }
}

TEST(AlertQueue, RetriesFollowTheScheduleUntil24HoursAndOtherAnswersGiveUp) {
    const struct { int status; AnswerKind kind; } answers[] = {{200, AnswerKind::delivered}, {204, AnswerKind::delivered}, {0, AnswerKind::retry},
                   {-1, AnswerKind::retry},      {408, AnswerKind::retry},     {429, AnswerKind::retry},
                   {500, AnswerKind::retry},     {599, AnswerKind::retry},     {400, AnswerKind::givenUp},
                   {404, AnswerKind::givenUp},   {301, AnswerKind::givenUp},   {600, AnswerKind::givenUp}};
    for (const auto& answer : answers) EXPECT_EQ(classifyAnswer(answer.status), answer.kind) << answer.status;

    const struct {
        const char* name;
        std::vector<int> statuses;  // the last one repeats
        std::vector<std::int64_t> firstTries;
        std::int64_t lastTry;
        std::size_t tries;
        AnswerKind end;
    } rows[] = {
        {"server errors, then delivered", {503, 503, 503, 503, 503, 200}, {0, 10, 40, 160, 460, 760}, 760, 6,
         AnswerKind::delivered},
        {"no answer, 408, 429", {0, 408, 429, 200}, {0, 10, 40, 160}, 160, 4, AnswerKind::delivered},
        {"404 gives up at once", {404}, {0}, 0, 1, AnswerKind::givenUp},
        {"never through: every 5 min until 24 h", {500}, {0, 10, 40, 160, 460, 760}, 86260, 291, AnswerKind::givenUp},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        AlertQueue queue;
        enqueueAlert(queue, "b", false, "test", 0);
        std::vector<std::int64_t> tries;
        AnswerKind last = AnswerKind::retry;
        for (std::int64_t now = 0; now < 90000 && !queue.entries.empty(); ++now) {
            const AlertTry attempt = nextAlertTry(queue, now);
            if (attempt.id == 0) continue;
            const int status = row.statuses[std::min(tries.size(), row.statuses.size() - 1)];
            tries.push_back(now);
            last = alertAnswered(queue, attempt, status, now);
        }
        EXPECT_EQ(last, row.end);
        ASSERT_EQ(tries.size(), row.tries);
        EXPECT_EQ(std::vector<std::int64_t>(tries.begin(), tries.begin() + row.firstTries.size()), row.firstTries);
        EXPECT_EQ(tries.back(), row.lastTry);
    }
}

AlertEvent eventOf(AlertKind kind, std::string text) {
    AlertEvent event;
    event.kind = kind;
    event.text = std::move(text);
    event.universalSeconds = calendarSeconds(LocalTime{2026, 12, 9, 11, 3, 5});
    event.offsetMinutes = 180;
    return event;
}

TEST(AlertQueue, AtTheLimitTheOldestGoAndTheNextDeliveredTellsHowMany) {
    AlertQueue queue;
    for (int i = 1; i <= 1003; ++i)
        enqueueAlertEvent(queue, eventOf(AlertKind::test, "n" + std::to_string(i)), AlertFormat::json, "PC");
    ASSERT_EQ(queue.entries.size(), kAlertQueueLimit);
    EXPECT_EQ(queue.entries.front().id, 4u);
    const std::int64_t now = eventOf(AlertKind::test, "").universalSeconds;
    AlertTry attempt = nextAlertTry(queue, now);
    EXPECT_EQ(attempt.body, alertJson(eventOf(AlertKind::test, "n4"), "PC", 3));
    // The alert in flight stays; the next oldest goes for a new one.
    enqueueAlertEvent(queue, eventOf(AlertKind::test, "n1004"), AlertFormat::json, "PC");
    EXPECT_EQ(queue.entries[0].id, 4u);
    EXPECT_EQ(queue.entries[1].id, 6u);
    alertAnswered(queue, attempt, 503, now);
    EXPECT_EQ(queue.dropped, 4) << "not delivered: the count waits";
    attempt = nextAlertTry(queue, now + 10);
    EXPECT_EQ(attempt.dropped, 4);
    enqueueAlertEvent(queue, eventOf(AlertKind::test, "n1005"), AlertFormat::json, "PC");  // drops one more meanwhile
    EXPECT_EQ(alertAnswered(queue, attempt, 200, now + 10), AnswerKind::delivered);
    EXPECT_EQ(queue.dropped, 1);
    attempt = nextAlertTry(queue, now + 10);
    EXPECT_EQ(attempt.body, alertJson(eventOf(AlertKind::test, "n7"), "PC", 1));

    std::string plain = "Связь потеряна.";
    EXPECT_TRUE(addDroppedToBody(plain, false, 12));
    EXPECT_EQ(plain, "Связь потеряна. Пропущено событий из-за переполнения очереди: 12.");
}

TEST(AlertQueue, TheFileKeepsEveryAlertAndSkipsTornOrDamagedLines) {
    AlertQueue queue;
    enqueueAlert(queue, "{\"text\":\"a\\\"b\"}\n\r\\ end ", true, "link_lost", 100);
    enqueueAlert(queue, "Связь \x01 потеряна", false, "test", 200);
    enqueueAlert(queue, " ", true, "run_stopped", -5);
    queue.entries[1].attempts = 4;
    queue.entries[1].nextTryUniversal = 9000;
    queue.dropped = 7;
    const std::string text = encodeAlertQueue(queue);
    const auto expectPrefix = [&](const AlertQueue& back, std::size_t count) {
        ASSERT_EQ(back.entries.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(back.entries[i].id, queue.entries[i].id);
            EXPECT_EQ(back.entries[i].body, queue.entries[i].body);
            EXPECT_EQ(back.entries[i].json, queue.entries[i].json);
            EXPECT_EQ(back.entries[i].kind, queue.entries[i].kind);
            EXPECT_EQ(back.entries[i].createdUniversal, queue.entries[i].createdUniversal);
            EXPECT_EQ(back.entries[i].attempts, queue.entries[i].attempts);
            EXPECT_EQ(back.entries[i].nextTryUniversal, queue.entries[i].nextTryUniversal);
        }
    };
    const AlertQueue back = decodeAlertQueue(text.data(), text.size());
    expectPrefix(back, 3);
    EXPECT_EQ(back.dropped, 7);
    EXPECT_EQ(back.nextId, 4u);
    // Torn anywhere: the whole lines before the tear, in order.
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        const AlertQueue torn = decodeAlertQueue(text.data(), cut);
        std::size_t whole = 0;
        for (std::size_t at = text.find('\n'); at < cut; at = text.find('\n', at + 1)) ++whole;
        expectPrefix(torn, whole > 2 ? whole - 2 : 0);
    }
    // A damaged byte in the second alert's line loses that line only.
    std::string damaged = text;
    damaged[damaged.find("Связь") + 1] ^= 0x20;
    const AlertQueue rest = decodeAlertQueue(damaged.data(), damaged.size());
    ASSERT_EQ(rest.entries.size(), 2u);
    EXPECT_EQ(rest.entries[1].id, 3u);
    const std::string garbage = "alert 9 x\n" + std::string(3, '\0') + "\nstate\n" + std::string(300, '\xFF') + "\n";
    EXPECT_TRUE(decodeAlertQueue(garbage.data(), garbage.size()).entries.empty());
}

TEST(AlertJson, BodiesCarryNullsForAbsentValuesEscapeTextAndTellCauseOnlyForAStop) {
    AlertEvent full = eventOf(AlertKind::linkLost, "Связь с термостатом потеряна.");
    full.values = AlertSnapshot{true, 253, true, 250, 3, 5};
    AlertEvent bare = eventOf(AlertKind::deviation, "t");
    bare.offsetMinutes = -330;
    bare.values = AlertSnapshot{true, -7, false, 0, 0, 0};
    bare.hasCause = true;
    AlertEvent stopped = eventOf(AlertKind::runStopped, "s");
    stopped.cause = StopCause::listCleared;
    stopped.hasCause = true;
    const AlertEvent escaped = eventOf(AlertKind::test, "a\"b\\c\nd\x01\x7F°");
    const struct {
        const AlertEvent& event;
        const char* computer;
        int dropped;
        std::string json;
    } rows[] = {
        {full, "LAB-PC", 0,
         "{\"event\":\"link_lost\",\"text\":\"Связь с термостатом потеряна.\",\"time\":\"2026-12-09T14:03:05+03:00\","
         "\"computer\":\"LAB-PC\",\"measured\":25.3,\"maintained\":25.0,\"stage\":3,\"stages\":5}"},
        {bare, "PC", 0,
         "{\"event\":\"deviation\",\"text\":\"t\",\"time\":\"2026-12-09T05:33:05-05:30\",\"computer\":\"PC\","
         "\"measured\":-0.7,\"maintained\":null,\"stage\":null,\"stages\":null}"},
        {stopped, "PC", 12,
         "{\"event\":\"run_stopped\",\"text\":\"s Пропущено событий из-за переполнения очереди: 12.\",\"time\":"
         "\"2026-12-09T14:03:05+03:00\",\"computer\":\"PC\",\"measured\":null,\"maintained\":null,\"stage\":null,"
         "\"stages\":null,\"cause\":\"list_cleared\",\"dropped\":12}"},
        {escaped, "a\"PC", 0,
         "{\"event\":\"test\",\"text\":\"a\\\"b\\\\c\\u000Ad\\u0001\x7F°\",\"time\":\"2026-12-09T14:03:05+03:00\","
         "\"computer\":\"a\\\"PC\",\"measured\":null,\"maintained\":null,\"stage\":null,\"stages\":null}"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(alertJson(row.event, row.computer, row.dropped), row.json);
        // The count added to a queued body is the one made with it.
        std::string body = alertJson(row.event, row.computer, 0);
        ASSERT_TRUE(addDroppedToBody(body, true, 9));
        EXPECT_EQ(body, alertJson(row.event, row.computer, 9));
    }
    EXPECT_EQ(alertPlainText(stopped, 0), "s");
}

}  // namespace
