#include "alerts/alert_body.h"

#include <cstdio>
#include <cstdlib>

#include "journal/journal_format.h"

namespace {

// A JSON string's content: the quote, the backslash and the control
// characters escaped; every other byte as it is.
void appendEscaped(std::string& out, const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(byte));
            out += escape;
        } else {
            out += c;
        }
    }
}

void appendString(std::string& out, const char* name, const std::string& value) {
    out += ",\"";
    out += name;
    out += "\":\"";
    appendEscaped(out, value);
    out += '"';
}

void appendTenths(std::string& out, const char* name, bool present, std::int16_t tenths) {
    out += ",\"";
    out += name;
    out += "\":";
    if (!present) {
        out += "null";
        return;
    }
    const int magnitude = std::abs(int{tenths});
    if (tenths < 0) out += '-';
    out += std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

void appendCount(std::string& out, const char* name, int value) {
    out += ",\"";
    out += name;
    out += "\":";
    out += value > 0 ? std::to_string(value) : "null";
}

}  // namespace

std::string isoTime(std::int64_t universalSeconds, int offsetMinutes) {
    const LocalTime local = calendarTime(universalSeconds + std::int64_t{offsetMinutes} * 60);
    const int magnitude = std::abs(offsetMinutes);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.year, local.month, local.day,
                  local.hour, local.minute, local.second, offsetMinutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

std::string droppedSentence(int dropped) {
    return " Пропущено событий из-за переполнения очереди: " + std::to_string(dropped) + ".";
}

std::string alertJson(const AlertEvent& event, const std::string& computer, int dropped) {
    std::string out = "{\"event\":\"";
    out += alertKindName(event.kind);
    out += '"';
    appendString(out, "text", dropped > 0 ? event.text + droppedSentence(dropped) : event.text);
    appendString(out, "time", isoTime(event.universalSeconds, event.offsetMinutes));
    appendString(out, "computer", computer);
    appendTenths(out, "measured", event.values.hasMeasured, event.values.measuredTenths);
    appendTenths(out, "maintained", event.values.hasMaintained, event.values.maintainedTenths);
    appendCount(out, "stage", event.values.stage);
    appendCount(out, "stages", event.values.stages);
    if (event.kind == AlertKind::runStopped && event.hasCause) appendString(out, "cause", stopCauseName(event.cause));
    if (dropped > 0) out += ",\"dropped\":" + std::to_string(dropped);
    out += '}';
    return out;
}

std::string alertPlainText(const AlertEvent& event, int dropped) {
    return dropped > 0 ? event.text + droppedSentence(dropped) : event.text;
}

std::string alertBody(const AlertEvent& event, AlertFormat format, const std::string& computer, int dropped) {
    return format == AlertFormat::json ? alertJson(event, computer, dropped) : alertPlainText(event, dropped);
}

bool addDroppedToBody(std::string& body, bool json, int dropped) {
    if (dropped <= 0) return true;
    if (!json) {
        body += droppedSentence(dropped);
        return true;
    }
    // The text is alertJson's second member: its closing quote is the first
    // quote after its opening one that no backslash escapes.
    static const std::string kTextMember = "\",\"text\":\"";
    const std::size_t member = body.find(kTextMember);
    if (body.rfind("{\"event\":\"", 0) != 0 || member == std::string::npos || body.back() != '}') return false;
    std::size_t end = member + kTextMember.size();
    while (end < body.size() && body[end] != '"') end += body[end] == '\\' ? 2 : 1;
    if (end >= body.size() - 1) return false;
    std::string sentence;
    appendEscaped(sentence, droppedSentence(dropped));
    body.insert(end, sentence);
    body.insert(body.size() - 1, ",\"dropped\":" + std::to_string(dropped));
    return true;
}
