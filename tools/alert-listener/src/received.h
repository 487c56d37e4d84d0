// What the alert listener takes apart and writes down, without sockets: one
// HTTP request out of the bytes received so far, the "event" of an alert's
// JSON body, and the lines of the listener's log (written by the listener,
// read back by its selection and gap commands).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A request's body is never near this large; a larger one is refused.
constexpr std::size_t kMostBodyBytes = 1 << 20;

enum class RequestState : std::uint8_t { incomplete, complete, bad };

struct Request {
    RequestState state = RequestState::incomplete;
    std::string method;
    std::string target;  // the path with its query, as sent
    std::string body;    // de-chunked when sent in chunks
};

// The request at the start of bytes: incomplete until its headers and its
// whole body are in (Content-Length, or chunks to the last one); bad for a
// request line or header that HTTP/1.x does not allow.
Request parseRequest(std::string_view bytes);

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool validUtf8(std::string_view text);

// What the log keeps of a POST body. event: the top-level "event" string of
// a JSON object (characters outside [A-Za-z0-9_] as '?'), or "!utf8" for a
// body that is not UTF-8, "!json" for one that is no JSON object, "!none"
// for an object without an "event" string; for a GET (or an empty body)
// "-". madeMs: the top-level "time" string ("2030-01-01T12:00:03+03:00",
// the moment the alert was made, in whole seconds) as milliseconds since
// 1970, when there is one that reads so.
struct AlertFields {
    std::string event = "-";
    std::optional<std::int64_t> madeMs;
};
AlertFields readAlert(std::string_view method, std::string_view body);

// "YYYY-MM-DDTHH:MM:SS" with "Z" or an offset "+HH:MM" / "-HH:MM".
std::optional<std::int64_t> isoTimeMs(std::string_view text);

// How the listener answered: 200; 503; closed without an answer; 400 for a
// request it could not read; torn, when the client closed (or stalled)
// before its request was whole.
enum class Answer : std::uint8_t { ok, unavailable, closed, bad, torn };
const char* answerWord(Answer answer);  // "200", "503", "closed", "400", "torn"

// One line of the log:
//   <ms since 1970> <YYYY-MM-DDTHH:MM:SS.mmm UTC> <method> <target> <event> <made ms|-> <answer>
// The first two are when the request was whole, on the clock the listener
// sees (under faketime, the accelerated one).
struct LogLine {
    std::int64_t ms = 0;
    std::string method;
    std::string target;
    std::string event;
    std::optional<std::int64_t> madeMs;
    std::string answer;
};
std::string formatLogLine(const LogLine& line);
std::optional<LogLine> parseLogLine(std::string_view text);

// The log lines within [fromMs, toMs) that match every filter given (an empty
// filter matches all): the method, the start of the target, the event, the
// answer.
struct Selection {
    std::int64_t fromMs = INT64_MIN;
    std::int64_t toMs = INT64_MAX;
    std::string method;
    std::string targetPrefix;
    std::string event;
    std::string answer;
};
std::vector<LogLine> selectLines(const std::vector<LogLine>& lines, const Selection& selection);

// The times between consecutive lines, in milliseconds.
std::vector<std::int64_t> gapsMs(const std::vector<LogLine>& lines);
// Whether there are as many gaps as wanted, each at most earlyMs shorter
// and at most lateMs longer than its wanted length.
bool gapsAsWanted(const std::vector<std::int64_t>& gaps, const std::vector<std::int64_t>& wanted, std::int64_t earlyMs,
                  std::int64_t lateMs);

// The alerts delivered (the POSTs answered 200, in the order they came)
// judged against what should have come: each expected kind made within its
// window [fromMs, toMs] (a window takes in the whole second it begins in,
// since the time made is in whole seconds); none delivered twice (the same
// event made at the same second); their times made in the order they came;
// none else, but of the kinds in extraKinds (told as notes). A window holds
// exactly one alert of its kind, or for a kind in extraKinds at least one:
// the first is the one expected, the others are extra.
struct Expected {
    std::string kind;
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
};
struct Verdict {
    std::vector<std::string> failures;
    std::vector<std::string> notes;
};
Verdict judgeDeliveries(const std::vector<LogLine>& delivered, const std::vector<Expected>& expected,
                        const std::vector<std::string>& extraKinds);
