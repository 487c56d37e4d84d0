#include "alerts/alert_queue.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string_view>
#include <utility>

#include "alerts/alert_body.h"

namespace {

constexpr char kFileHeading[] = "alert-queue 1";
constexpr int kMostAttempts = 1000000;
constexpr std::int64_t kMostDropped = 1000000000;

void countDropped(AlertQueue& queue) {
    if (queue.dropped < INT_MAX) ++queue.dropped;
}

// FNV-1a, 32 bits: a line's check sum, eight small hex digits.
std::string checkSum(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(hash));
    return digits;
}

void appendLine(std::string& out, const std::string& payload) { out += payload + " " + checkSum(payload) + "\n"; }

std::string escaped(const std::string& body) {
    std::string out;
    out.reserve(body.size());
    for (const char c : body) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

bool unescaped(std::string_view text, std::string& body) {
    body.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            body += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case '\\': body += '\\'; break;
        case 'n': body += '\n'; break;
        case 'r': body += '\r'; break;
        case '0': body += '\0'; break;
        default: return false;
        }
    }
    return true;
}

// The words of a line, one at a time up to the next blank.
struct Words {
    std::string_view rest;

    bool word(std::string_view& out) {
        const std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos) return false;
        out = rest.substr(0, blank);
        rest.remove_prefix(blank + 1);
        return true;
    }
    bool number(std::int64_t& value, std::int64_t lowest, std::int64_t highest) {
        std::string_view text;
        if (!word(text)) return false;
        const bool negative = !text.empty() && text.front() == '-';
        if (negative) text.remove_prefix(1);
        if (text.empty() || text.size() > 18) return false;
        std::int64_t magnitude = 0;
        for (const char c : text) {
            if (c < '0' || c > '9') return false;
            magnitude = magnitude * 10 + (c - '0');
        }
        value = negative ? -magnitude : magnitude;
        return value >= lowest && value <= highest;
    }
};

// One line of the file into the queue; false for a line that is not whole.
bool decodeLine(std::string_view line, AlertQueue& queue, std::uint64_t& storedNextId) {
    if (line.size() < 10 || line[line.size() - 9] != ' ') return false;
    const std::string_view payload = line.substr(0, line.size() - 9);
    if (checkSum(payload) != line.substr(line.size() - 8)) return false;
    // The payload with a blank after it, so that its last word ends too.
    const std::string copy = std::string(payload) + " ";
    Words words{copy};
    std::string_view type;
    if (!words.word(type)) return false;
    if (type == "state") {
        std::int64_t nextId = 0, dropped = 0;
        if (!words.number(nextId, 1, INT64_MAX) || !words.number(dropped, 0, kMostDropped) || !words.rest.empty())
            return false;
        storedNextId = static_cast<std::uint64_t>(nextId);
        queue.dropped = static_cast<int>(dropped);
        return true;
    }
    if (type != "alert") return false;
    std::int64_t id = 0, attempts = 0;
    QueuedAlert alert;
    std::string_view form, kind;
    AlertKind known;
    if (!words.number(id, 1, INT64_MAX) || !words.number(alert.createdUniversal, INT64_MIN / 2, INT64_MAX / 2) ||
        !words.number(attempts, 0, kMostAttempts) ||
        !words.number(alert.nextTryUniversal, INT64_MIN / 2, INT64_MAX / 2) || !words.word(form) ||
        (form != "json" && form != "text") || !words.word(kind) || !alertKindFromName(std::string(kind), known))
        return false;
    // Ids increase along the file; one that does not is out of place.
    if (!queue.entries.empty() && static_cast<std::uint64_t>(id) <= queue.entries.back().id) return false;
    const std::string_view body = words.rest.substr(0, words.rest.size() - 1);  // without the added blank
    if (!unescaped(body, alert.body)) return false;
    alert.id = static_cast<std::uint64_t>(id);
    alert.json = form == "json";
    alert.kind = std::string(kind);
    alert.attempts = static_cast<int>(attempts);
    queue.entries.push_back(std::move(alert));
    return true;
}

}  // namespace

AnswerKind classifyAnswer(int status) {
    if (status >= 200 && status <= 299) return AnswerKind::delivered;
    if (status <= 0 || status == 408 || status == 429 || (status >= 500 && status <= 599)) return AnswerKind::retry;
    return AnswerKind::givenUp;
}

std::int64_t alertRetryDelaySeconds(int failures) {
    return failures <= 1 ? 10 : failures == 2 ? 30 : failures == 3 ? 120 : kAlertLongestRetrySeconds;
}

std::uint64_t enqueueAlert(AlertQueue& queue, std::string body, bool json, const char* kindName,
                           std::int64_t createdUniversal) {
    while (queue.entries.size() >= kAlertQueueLimit) {
        const bool frontInFlight = queue.inFlight != 0 && queue.entries.front().id == queue.inFlight;
        queue.entries.erase(queue.entries.begin() + (frontInFlight ? 1 : 0));
        countDropped(queue);
    }
    QueuedAlert alert;
    alert.id = queue.nextId++;
    alert.body = std::move(body);
    alert.json = json;
    alert.kind = kindName;
    alert.createdUniversal = createdUniversal;
    alert.nextTryUniversal = createdUniversal;
    queue.entries.push_back(std::move(alert));
    return queue.entries.back().id;
}

std::uint64_t enqueueAlertEvent(AlertQueue& queue, const AlertEvent& event, AlertFormat format,
                                const std::string& computer) {
    return enqueueAlert(queue, alertBody(event, format, computer, 0), format == AlertFormat::json,
                        alertKindName(event.kind), event.universalSeconds);
}

AlertTry nextAlertTry(AlertQueue& queue, std::int64_t now) {
    const auto old = [&](const QueuedAlert& alert) {
        return alert.id != queue.inFlight && now - alert.createdUniversal >= kAlertGiveUpSeconds;
    };
    const auto end = std::remove_if(queue.entries.begin(), queue.entries.end(), old);
    queue.expired += static_cast<int>(queue.entries.end() - end);
    queue.entries.erase(end, queue.entries.end());

    AlertTry attempt;
    if (queue.inFlight != 0 || queue.entries.empty()) return attempt;
    const QueuedAlert& first = queue.entries.front();
    if (first.nextTryUniversal > now && first.nextTryUniversal - now <= kAlertLongestRetrySeconds) return attempt;
    attempt.id = first.id;
    attempt.body = first.body;
    if (queue.dropped > 0 && addDroppedToBody(attempt.body, first.json, queue.dropped)) attempt.dropped = queue.dropped;
    queue.inFlight = first.id;
    return attempt;
}

std::int64_t nextAlertTime(const AlertQueue& queue) {
    return queue.entries.empty() ? INT64_MAX : queue.entries.front().nextTryUniversal;
}

AnswerKind alertAnswered(AlertQueue& queue, const AlertTry& sent, int status, std::int64_t now) {
    if (queue.inFlight == sent.id) queue.inFlight = 0;
    const AnswerKind kind = classifyAnswer(status);
    if (kind == AnswerKind::delivered) queue.dropped = std::max(0, queue.dropped - sent.dropped);
    const auto found = std::find_if(queue.entries.begin(), queue.entries.end(),
                                    [&](const QueuedAlert& alert) { return alert.id == sent.id; });
    if (found == queue.entries.end()) return kind;
    if (kind == AnswerKind::retry) {
        ++found->attempts;
        const std::int64_t next = now + alertRetryDelaySeconds(found->attempts);
        if (next - found->createdUniversal < kAlertGiveUpSeconds) {
            found->nextTryUniversal = next;
            return kind;
        }
    }
    queue.entries.erase(found);
    return kind == AnswerKind::retry ? AnswerKind::givenUp : kind;
}

bool removeAlert(AlertQueue& queue, std::uint64_t id) {
    const auto found = std::find_if(queue.entries.begin(), queue.entries.end(),
                                    [&](const QueuedAlert& alert) { return alert.id == id; });
    if (found == queue.entries.end()) return false;
    if (queue.inFlight == id) queue.inFlight = 0;
    queue.entries.erase(found);
    return true;
}

int takeExpiredAlerts(AlertQueue& queue) { return std::exchange(queue.expired, 0); }

std::string encodeAlertQueue(const AlertQueue& queue) {
    std::string out = std::string(kFileHeading) + "\n";
    appendLine(out, "state " + std::to_string(queue.nextId) + " " + std::to_string(queue.dropped));
    for (const QueuedAlert& alert : queue.entries)
        appendLine(out, "alert " + std::to_string(alert.id) + " " + std::to_string(alert.createdUniversal) + " " +
                            std::to_string(alert.attempts) + " " + std::to_string(alert.nextTryUniversal) +
                            (alert.json ? " json " : " text ") + alert.kind + " " + escaped(alert.body));
    return out;
}

AlertQueue decodeAlertQueue(const char* bytes, std::size_t n) {
    AlertQueue queue;
    std::uint64_t storedNextId = 1;
    std::string_view text(bytes == nullptr ? "" : bytes, bytes == nullptr ? 0 : n);
    // Only lines with their line break count: the last one may be torn.
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        decodeLine(text.substr(0, end), queue, storedNextId);
        text.remove_prefix(end + 1);
    }
    while (queue.entries.size() > kAlertQueueLimit) {
        queue.entries.pop_front();
        countDropped(queue);
    }
    const std::uint64_t afterLast = queue.entries.empty() ? 1 : queue.entries.back().id + 1;
    queue.nextId = std::max(storedNextId, afterLast);
    return queue;
}
