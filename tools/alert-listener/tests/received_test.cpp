#include "received.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

const std::string kAlertBody =
    "{\"event\":\"link_lost\",\"text\":\"Связь с термостатом потеряна: термостат не отвечает на запросы.\","
    "\"time\":\"2030-01-01T12:00:03+00:00\",\"computer\":\"LAB-PC\",\"measured\":25.3,\"maintained\":-5.0,"
    "\"stage\":null,\"stages\":null}";

std::string post(const std::string& body) {
    return "POST /hook?token=SECRET HTTP/1.1\r\nHost: 127.0.0.1:4000\r\nContent-Type: application/json; "
           "charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A request is whole only with its last byte, its body as sent or, chunked,
// joined.
TEST(Request, IsWholeOnlyWithItsLastByte) {
    const struct { std::string bytes, target, body; } rows[] = {
        {post(kAlertBody), "/hook?token=SECRET", kAlertBody},
        {"POST /hook HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n{\"ev\r\n9;ext=1\r\nent\":\"x\"}\r\n0\r\n\r\n",
         "/hook", "{\"event\":\"x\"}"}};
    for (const auto& r : rows) {
        for (std::size_t n = 0; n < r.bytes.size(); ++n)
            ASSERT_EQ(parseRequest(std::string_view(r.bytes).substr(0, n)).state, RequestState::incomplete) << n;
        const Request request = parseRequest(r.bytes);
        ASSERT_EQ(request.state, RequestState::complete);
        EXPECT_TRUE(request.method == "POST" && request.target == r.target && request.body == r.body) << r.target;
    }
}

TEST(Request, GetWithoutBodyAndHeaderNamesInAnyCase) {
    Request get = parseRequest("GET /ping HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_EQ(get.state, RequestState::complete);
    EXPECT_EQ(get.target, "/ping");
    EXPECT_TRUE(get.body.empty());
    Request post = parseRequest("POST / HTTP/1.0\r\ncontent-LENGTH:  3 \r\n\r\nabcdef");
    ASSERT_EQ(post.state, RequestState::complete);
    EXPECT_EQ(post.body, "abc");  // what follows belongs to no request of ours
}

TEST(Request, MalformedOrAmbiguousIsBad) {
    const char* bad[] = {
        "POST\r\n\r\n",
        "POST /a b HTTP/1.1\r\n\r\n",
        "POST /a HTTP/2\r\n\r\n",
        "POST /a HTTP/1.1\r\nno colon\r\n\r\n",
        "POST /a HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
        "POST /a HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc",
        "POST /a HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n",
        "POST /a HTTP/1.1\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n",
        "POST /a HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n",
        "POST /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
        "POST /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n",
    };
    for (const char* text : bad) EXPECT_EQ(parseRequest(text).state, RequestState::bad) << text;
    EXPECT_EQ(parseRequest(std::string(70000, 'a')).state, RequestState::bad);
}

TEST(Utf8, RefusesWhatIsNotUtf8) {
    EXPECT_TRUE(validUtf8("Связь, °C, \xF0\x9F\x8C\xA1"));
    EXPECT_TRUE(validUtf8(""));
    const char* bad[] = {
        "\xD1",              // cut short
        "\xC0\x80",          // overlong zero
        "\xE0\x80\xAF",      // overlong '/'
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\x80",              // a continuation byte alone
        "\xD1\xE2\xFF",      // CP1251 "Свя"
    };
    for (const char* text : bad) EXPECT_FALSE(validUtf8(text)) << text;
}

// 2030-01-01T12:00:03Z in milliseconds since 1970.
constexpr std::int64_t kNoon3 = 1893499203000;

TEST(Alert, TakesTheTopLevelEventAndTimeOfAWholeJsonObject) {
    const AlertFields fields = readAlert("POST", kAlertBody);
    EXPECT_EQ(fields.event, "link_lost");
    EXPECT_EQ(fields.madeMs, kNoon3);
    const AlertFields nested = readAlert(
        "POST", " {\"text\":\"a\\\"b\\u0416\\ud83c\\udf21\",\"n\":[1,-2.5e3,{\"event\":\"inner\",\"time\":\"x\"}],"
                "\"event\" : \"deviation_cleared\", \"time\":\"2030-01-01T15:00:03+03:00\"} ");
    EXPECT_EQ(nested.event, "deviation_cleared");
    EXPECT_EQ(nested.madeMs, kNoon3);
    EXPECT_EQ(readAlert("POST", "{\"event\":\"a b\\n\"}").event, "a?b?");
    EXPECT_FALSE(readAlert("POST", "{\"event\":\"x\",\"time\":\"12:00\"}").madeMs);
    EXPECT_EQ(readAlert("GET", "").event, "-");
    EXPECT_EQ(readAlert("POST", "").event, "-");
}

TEST(Alert, NamesWhatIsWrongWithABody) {
    // The program's text as CP1251: not what goes to the server.
    EXPECT_EQ(readAlert("POST", "{\"event\":\"link_lost\",\"text\":\"\xD1\xE2\xFF\xE7\xFC\"}").event, "!utf8");
    const char* notJson[] = {
        "Связь с термостатом потеряна.",
        "{\"event\":\"link_lost\"",
        "{\"event\":\"link_lost\"} x",
        "{\"event\":\"link_lost\",}",
        "{\"event\":\"a\tb\"}",
        "{\"measured\":25.}",
        "{\"measured\":025}",
        "{\"stage\":nul}",
        "{\"text\":\"\\ud83c\"}",
        "[\"event\",\"link_lost\"]",
    };
    for (const char* body : notJson) EXPECT_EQ(readAlert("POST", body).event, "!json") << body;
    EXPECT_EQ(readAlert("POST", "{\"text\":\"x\",\"inner\":{\"event\":\"link_lost\"}}").event, "!none");
    EXPECT_EQ(readAlert("POST", "{\"event\":7}").event, "!none");
    EXPECT_EQ(readAlert("POST", "{\"event\":\"\"}").event, "!none");
}

TEST(Alert, TimesWithTheirOffset) {
    for (const char* text : {"2030-01-01T12:00:03Z", "2030-01-01T15:30:03+03:30", "2030-01-01T02:00:03-10:00",
                             "2029-12-31T23:00:03-13:00"})
        EXPECT_EQ(isoTimeMs(text), kNoon3) << text;
    const char* bad[] = {"2030-01-01T12:00:03", "2030-01-01 12:00:03Z", "2030-13-01T12:00:03Z",
                         "2030-01-01T12:00:03+3:00", "2030-01-01T12:00:03+03:00x", "2030-01-01T24:00:03Z"};
    for (const char* text : bad) EXPECT_FALSE(isoTimeMs(text)) << text;
}

LogLine post(std::int64_t ms, const char* event, std::optional<std::int64_t> made, const char* answer = "200") {
    return LogLine{ms, "POST", "/hook?token=S", event, made, answer};
}

TEST(Log, LinesReadBackAsWritten) {
    const LogLine line = post(kNoon3 + 125, "link_lost", kNoon3 - 7000, "503");
    const std::string text = formatLogLine(line);
    EXPECT_EQ(text, "1893499203125 2030-01-01T12:00:03.125 POST /hook?token=S link_lost 1893499196000 503\n");
    const auto back = parseLogLine(text);
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::tie(back->ms, back->method, back->target, back->event, back->madeMs, back->answer) ==
                std::tie(line.ms, line.method, line.target, line.event, line.madeMs, line.answer));
    // A blank in a word would split the line: it is written as '?'; an empty
    // word as '-'.
    const auto torn = parseLogLine(formatLogLine({5, "", "/a b", "x", std::nullopt, "torn"}));
    ASSERT_TRUE(torn);
    EXPECT_EQ(torn->method, "-");
    EXPECT_EQ(torn->target, "/a?b");
    EXPECT_FALSE(torn->madeMs);
    EXPECT_FALSE(parseLogLine("12 t GET /ping - - 200 extra"));
    EXPECT_FALSE(parseLogLine("12x t GET /ping - - 200"));
    EXPECT_FALSE(parseLogLine("12 t POST /h e 12y 200"));
}

TEST(Log, SelectsByTimeMethodPathAndAnswerAndGivesGaps) {
    const std::vector<LogLine> lines = {
        {1000, "GET", "/ping", "-", std::nullopt, "200"},
        post(2000, "link_lost", 1000, "503"),
        {61000, "GET", "/ping", "-", std::nullopt, "503"},
        post(62000, "link_lost", 1000),
        {121500, "GET", "/ping", "-", std::nullopt, "200"},
    };
    Selection pings;
    pings.method = "GET";
    pings.targetPrefix = "/ping";
    EXPECT_EQ(gapsMs(selectLines(lines, pings)), (std::vector<std::int64_t>{60000, 60500}));
    pings.fromMs = 1001;
    pings.toMs = 121500;
    ASSERT_EQ(selectLines(lines, pings).size(), 1u);
    EXPECT_TRUE(gapsMs(selectLines(lines, pings)).empty());

    Selection delivered;
    delivered.method = "POST";
    delivered.answer = "200";
    const auto got = selectLines(lines, delivered);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].ms, 62000);
    Selection tries;
    tries.event = "link_lost";
    EXPECT_EQ(gapsMs(selectLines(lines, tries)), (std::vector<std::int64_t>{60000}));
}

TEST(Log, GapsAsWantedAreThoseLengthsWithinTheirTolerance) {
    const std::vector<std::int64_t> wanted = {10000, 30000};
    EXPECT_TRUE(gapsAsWanted({9000, 32000}, wanted, 1000, 2000));
    EXPECT_FALSE(gapsAsWanted({8999, 30000}, wanted, 1000, 2000));   // too soon
    EXPECT_FALSE(gapsAsWanted({10000, 32001}, wanted, 1000, 2000));  // too late
    EXPECT_FALSE(gapsAsWanted({10000}, wanted, 1000, 2000));         // one missing
    EXPECT_FALSE(gapsAsWanted({10000, 30000, 120000}, wanted, 1000, 2000));
}

// What was caused: lost at 12:00:03.5 and restored at 12:00:10.2; the bath
// off from 12:01:00 until 12:03:00.
const std::vector<Expected> kCaused = {
    {"link_lost", kNoon3 + 500, kNoon3 + 10500},
    {"link_restored", kNoon3 + 7200, kNoon3 + 17200},
    {"deviation", kNoon3 + 117000, kNoon3 + 177000},
    {"deviation_cleared", kNoon3 + 177000, kNoon3 + 187000},
};

TEST(Judge, AcceptsEachCausedAlertOnceInOrderAndExtrasOfTheKindsAllowed) {
    // The loss made in the second the window begins in, then a flap of the
    // link (machine load) allowed as extra: between the two windows, or just
    // after the restoral and inside its window, where the first restoral is
    // the one caused and the second the extra.
    const auto run = [](std::int64_t lostAgain, std::int64_t restoredAgain) {
        return std::vector<LogLine>{post(kNoon3 + 900, "link_lost", kNoon3),
                                    post(kNoon3 + 8000, "link_restored", kNoon3 + 8000),
                                    post(kNoon3 + lostAgain, "link_lost", kNoon3 + lostAgain),
                                    post(kNoon3 + restoredAgain, "link_restored", kNoon3 + restoredAgain),
                                    post(kNoon3 + 300000, "deviation", kNoon3 + 119000),
                                    post(kNoon3 + 301000, "deviation_cleared", kNoon3 + 178000)};
    };
    const struct { std::int64_t lost, restored; std::size_t note; const char* says; } rows[] = {
        {40000, 41000, 0, "also: link_lost made 2030-01-01T12:00:43"},
        {11000, 13000, 1, "also: link_restored made 2030-01-01T12:00:16"}};
    for (const auto& r : rows) {
        const Verdict verdict = judgeDeliveries(run(r.lost, r.restored), kCaused, {"link_lost", "link_restored"});
        EXPECT_TRUE(verdict.failures.empty()) << verdict.failures.front();
        ASSERT_EQ(verdict.notes.size(), 2u);
        EXPECT_EQ(verdict.notes[r.note], r.says);
    }
    // Without the allowance the flap is a fault.
    EXPECT_EQ(judgeDeliveries(run(40000, 41000), kCaused, {}).failures.size(), 2u);
}

TEST(Judge, FindsWhatIsMissingTwiceOutOfOrderOrUntimed) {
    const auto failuresOf = [](const std::vector<LogLine>& delivered) {
        return judgeDeliveries(delivered, kCaused, {"link_lost", "link_restored"}).failures;
    };
    const LogLine lost = post(kNoon3 + 900, "link_lost", kNoon3 + 1000);
    const LogLine restored = post(kNoon3 + 8000, "link_restored", kNoon3 + 8000);
    const LogLine deviation = post(kNoon3 + 120000, "deviation", kNoon3 + 119000);
    const LogLine cleared = post(kNoon3 + 180000, "deviation_cleared", kNoon3 + 178000);

    auto failures = failuresOf({lost, restored, deviation});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "missing: deviation_cleared made from 12:03:00 to 12:03:10.000");

    // Delivered again (a retry after a delivery, or a queue file read twice).
    failures = failuresOf({lost, restored, restored, deviation, cleared});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "delivered twice: link_restored made 2030-01-01T12:00:11");
    failures = judgeDeliveries({lost, restored, deviation, deviation, cleared}, kCaused, {}).failures;
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0], "delivered twice: deviation made 2030-01-01T12:02:02");
    EXPECT_EQ(failures[1], "2 of deviation made from 12:02:00 to 12:03:00.000");

    failures = failuresOf({restored, lost, deviation, cleared});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].rfind("out of order: link_lost", 0), 0u) << failures[0];

    // A deviation told too early is no deviation of the window, and of no
    // kind allowed as extra.
    LogLine early = deviation;
    early.madeMs = kNoon3 + 100000;
    failures = failuresOf({lost, restored, early, cleared});
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0], "missing: deviation made from 12:02:00 to 12:03:00.000");
    EXPECT_EQ(failures[1], "unexpected: deviation made 2030-01-01T12:01:43");

    LogLine untimed = cleared;
    untimed.madeMs.reset();
    failures = failuresOf({lost, restored, deviation, untimed});
    EXPECT_EQ(failures.front(), "deviation_cleared delivered with no time made");
}

}  // namespace
