// The alerts' delivery queue: which alert is tried next and when, what an
// answer of the lab's server means, how many alerts wait, and the queue's
// text in the file that keeps it across a restart or a power cut. The
// Windows side's sender owns the one queue (and its lock) and asks these
// rules; this module sends nothing. Portable: no Windows header.
//
// Alerts go out in the order they were made, one at a time: the oldest
// waiting one is tried, and the others wait behind it. After a failure that
// may pass (kind retry) it is tried again 10 s, 30 s, 2 min and then every
// 5 min after each failure, until 24 h after it was made; then it is given
// up, as at once on any other answer than a success.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "alerts/alert_rules.h"
#include "alerts/alert_settings.h"

constexpr std::size_t kAlertQueueLimit = 1000;
constexpr std::int64_t kAlertGiveUpSeconds = 24 * 60 * 60;
constexpr std::int64_t kAlertLongestRetrySeconds = 300;

enum class AnswerKind : std::uint8_t { delivered, retry, givenUp };
// status: the HTTP status, 0 (or less) for no answer (a network failure or a
// time-out). 2xx delivered; 408, 429, 5xx and no answer retry; any other
// given up.
AnswerKind classifyAnswer(int status);
// The wait before the next try after this many failures in a row (1: 10 s).
std::int64_t alertRetryDelaySeconds(int failures);

struct QueuedAlert {
    std::uint64_t id = 0;  // increasing in the queue's order
    std::string body;      // made with no dropped count (alertBody)
    bool json = true;      // the body's form
    std::string kind;      // alertKindName of the event
    std::int64_t createdUniversal = 0;
    int attempts = 0;      // tries that failed
    std::int64_t nextTryUniversal = 0;
};

struct AlertQueue {
    std::deque<QueuedAlert> entries;
    std::uint64_t nextId = 1;
    // Alerts dropped for the limit and not yet told by a delivered one.
    int dropped = 0;
    // Alerts given up at 24 h since the last takeExpiredAlerts.
    int expired = 0;
    // The alert being tried now (never dropped for the limit); not kept in
    // the file.
    std::uint64_t inFlight = 0;
};

// Puts an alert at the end; its first try is due at once. When the queue
// holds kAlertQueueLimit alerts, the oldest (but the one being tried) goes
// and is counted in dropped. The new alert's id.
std::uint64_t enqueueAlert(AlertQueue& queue, std::string body, bool json, const char* kindName,
                           std::int64_t createdUniversal);
std::uint64_t enqueueAlertEvent(AlertQueue& queue, const AlertEvent& event, AlertFormat format,
                                const std::string& computer);

// What is sent now: the alert's id and its body with the dropped count (the
// alerts dropped so far, told by the next alert that gets through).
struct AlertTry {
    std::uint64_t id = 0;  // 0: nothing is due
    std::string body;
    int dropped = 0;
};
// The oldest alert when its try is due (or when its time lies more than the
// longest wait ahead: the clock was set back). Alerts 24 h old are given up
// first (counted in expired). The alert is in flight until alertAnswered.
AlertTry nextAlertTry(AlertQueue& queue, std::int64_t nowUniversal);
// When the next try is due (INT64_MAX when the queue is empty).
std::int64_t nextAlertTime(const AlertQueue& queue);
// The server's answer to a try (status as for classifyAnswer): a delivered
// or given-up alert leaves the queue, a delivered one also takes its dropped
// count off; a retry is due after the next wait, or is given up when that
// would fall 24 h or more after the alert was made. An alert no longer in
// the queue changes nothing but the dropped count of a delivery.
AnswerKind alertAnswered(AlertQueue& queue, const AlertTry& sent, int status, std::int64_t nowUniversal);
// Takes the alert out; false when no alert has that id.
bool removeAlert(AlertQueue& queue, std::uint64_t id);
// The count of alerts given up at 24 h since the last call.
int takeExpiredAlerts(AlertQueue& queue);

// The queue's text for its file, and back. Each line stands alone and
// carries a check sum; bodies are escaped (any byte but zero). decode skips
// a torn line, a damaged one and one out of order, never fails, and keeps
// the newest kAlertQueueLimit alerts (the rest counted as dropped).
std::string encodeAlertQueue(const AlertQueue& queue);
AlertQueue decodeAlertQueue(const char* bytes, std::size_t n);
