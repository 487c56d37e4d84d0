#include "received.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::size_t kMostHeaderBytes = 64 * 1024;

bool tokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// "METHOD /target HTTP/1.1"
bool parseRequestLine(std::string_view line, Request& request) {
    const std::size_t first = line.find(' ');
    const std::size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == 0 || last == first) return false;
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, last - first - 1);
    const std::string_view version = line.substr(last + 1);
    for (const char c : method)
        if (!tokenChar(c)) return false;
    if (target.empty()) return false;
    for (const char c : target)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;
    request.method = method;
    request.target = target;
    return true;
}

bool parseSize(std::string_view text, int base, std::size_t& value) {
    if (text.empty() || text.size() > 16) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// The chunks from the start of bytes; incomplete until the last chunk and
// the empty line after the trailers are in.
RequestState parseChunks(std::string_view bytes, std::string& body) {
    body.clear();
    for (;;) {
        const std::size_t lineEnd = bytes.find("\r\n");
        if (lineEnd == std::string_view::npos) return bytes.size() > 64 ? RequestState::bad : RequestState::incomplete;
        std::string_view sizeText = bytes.substr(0, lineEnd);
        if (const std::size_t semicolon = sizeText.find(';'); semicolon != std::string_view::npos)
            sizeText = sizeText.substr(0, semicolon);
        std::size_t size = 0;
        if (!parseSize(trimmed(sizeText), 16, size) || body.size() + size > kMostBodyBytes) return RequestState::bad;
        bytes.remove_prefix(lineEnd + 2);
        if (size == 0) {
            // Trailers, if any, up to an empty line.
            for (;;) {
                const std::size_t end = bytes.find("\r\n");
                if (end == std::string_view::npos) return RequestState::incomplete;
                if (end == 0) return RequestState::complete;
                bytes.remove_prefix(end + 2);
            }
        }
        if (bytes.size() < size + 2) return RequestState::incomplete;
        if (bytes.substr(size, 2) != "\r\n") return RequestState::bad;
        body.append(bytes.substr(0, size));
        bytes.remove_prefix(size + 2);
    }
}

// A JSON text, parsed whole; the top-level object's "event" string kept.
struct JsonReader {
    std::string_view text;
    std::size_t at = 0;
    int depth = 0;
    // The top-level object's "event" and "time" strings, the first of each.
    bool eventFound = false;
    std::string event;
    bool timeFound = false;
    std::string time;

    void blanks() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    }
    bool take(char c) {
        blanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool literal(std::string_view word) {
        if (text.substr(at, word.size()) != word) return false;
        at += word.size();
        return true;
    }
    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
    bool hex4(unsigned& value) {
        if (at + 4 > text.size()) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hexDigit(text[at++]);
            if (digit < 0) return false;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        return true;
    }
    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool string(std::string& out) {
        out.clear();
        blanks();
        if (at >= text.size() || text[at] != '"') return false;
        ++at;
        while (at < text.size()) {
            const char c = text[at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= text.size()) return false;
            const char e = text[at++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                if (!hex4(code)) return false;
                if (code >= 0xD800 && code <= 0xDBFF) {
                    unsigned low = 0;
                    if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return false;
                }
                appendUtf8(out, code);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool digits() {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at > start;
    }
    bool number() {
        if (at < text.size() && text[at] == '-') ++at;
        if (at < text.size() && text[at] == '0') ++at;
        else if (!digits()) return false;
        if (at < text.size() && text[at] == '.') {
            ++at;
            if (!digits()) return false;
        }
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            ++at;
            if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
            if (!digits()) return false;
        }
        return true;
    }
    bool value() {
        blanks();
        if (at >= text.size()) return false;
        const char c = text[at];
        std::string scratch;
        if (c == '"') return string(scratch);
        if (c == '{' || c == '[') {
            if (++depth > 64) return false;
            const bool ok = c == '{' ? object() : array();
            --depth;
            return ok;
        }
        if (c == 't') return literal("true");
        if (c == 'f') return literal("false");
        if (c == 'n') return literal("null");
        return number();
    }
    bool object() {
        ++at;  // '{'
        if (take('}')) return true;
        do {
            std::string key;
            if (!string(key) || !take(':')) return false;
            blanks();
            const bool isString = at < text.size() && text[at] == '"';
            if (depth == 1 && isString && !eventFound && key == "event") {
                if (!string(event)) return false;
                eventFound = true;
            } else if (depth == 1 && isString && !timeFound && key == "time") {
                if (!string(time)) return false;
                timeFound = true;
            } else if (!value()) {
                return false;
            }
        } while (take(','));
        return take('}');
    }
    bool array() {
        ++at;  // '['
        if (take(']')) return true;
        do {
            if (!value()) return false;
        } while (take(','));
        return take(']');
    }
};

std::string timeText(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms % 1000));
    return text;
}

// A word of the log: no blank or control character in it, never empty.
std::string word(std::string_view text) {
    std::string out;
    for (const char c : text) out += static_cast<unsigned char>(c) <= ' ' || c == 0x7F ? '?' : c;
    return out.empty() ? "-" : out;
}

}  // namespace

Request parseRequest(std::string_view bytes) {
    Request request;
    const std::size_t headersEnd = bytes.find("\r\n\r\n");
    if (headersEnd == std::string_view::npos) {
        request.state = bytes.size() > kMostHeaderBytes ? RequestState::bad : RequestState::incomplete;
        return request;
    }
    request.state = RequestState::bad;
    std::string_view head = bytes.substr(0, headersEnd + 2);
    const std::size_t lineEnd = head.find("\r\n");
    if (!parseRequestLine(head.substr(0, lineEnd), request)) return request;
    head.remove_prefix(lineEnd + 2);

    bool hasLength = false;
    bool chunked = false;
    std::size_t length = 0;
    while (!head.empty()) {
        const std::size_t end = head.find("\r\n");
        const std::string_view line = head.substr(0, end);
        head.remove_prefix(end + 2);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) return request;
        const std::string_view name = line.substr(0, colon);
        for (const char c : name)
            if (!tokenChar(c)) return request;
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (equalsNoCase(name, "Content-Length")) {
            std::size_t given = 0;
            if (!parseSize(value, 10, given) || given > kMostBodyBytes || (hasLength && given != length)) return request;
            hasLength = true;
            length = given;
        } else if (equalsNoCase(name, "Transfer-Encoding")) {
            if (!equalsNoCase(value, "chunked")) return request;
            chunked = true;
        }
    }
    // Both at once could be read two ways: refused.
    if (chunked && hasLength) return request;
    const std::string_view rest = bytes.substr(headersEnd + 4);
    if (chunked) {
        request.state = parseChunks(rest, request.body);
        return request;
    }
    if (rest.size() < length) {
        request.state = RequestState::incomplete;
        return request;
    }
    request.body = rest.substr(0, length);
    request.state = RequestState::complete;
    return request;
}

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int more = 0;
        unsigned code = 0;
        unsigned lowest = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if ((byte & 0xE0) == 0xC0) more = 1, code = byte & 0x1F, lowest = 0x80;
        else if ((byte & 0xF0) == 0xE0) more = 2, code = byte & 0x0F, lowest = 0x800;
        else if ((byte & 0xF8) == 0xF0) more = 3, code = byte & 0x07, lowest = 0x10000;
        else return false;
        if (text.size() - i <= static_cast<std::size_t>(more)) return false;
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

AlertFields readAlert(std::string_view method, std::string_view body) {
    AlertFields fields;
    if (method != "POST" || body.empty()) return fields;
    if (!validUtf8(body)) {
        fields.event = "!utf8";
        return fields;
    }
    JsonReader reader;
    reader.text = body;
    reader.blanks();
    bool whole = reader.at < body.size() && body[reader.at] == '{' && reader.value();
    reader.blanks();
    whole = whole && reader.at == body.size();
    if (!whole) {
        fields.event = "!json";
        return fields;
    }
    if (reader.timeFound) fields.madeMs = isoTimeMs(reader.time);
    if (!reader.eventFound || reader.event.empty()) {
        fields.event = "!none";
        return fields;
    }
    fields.event.clear();
    for (const char c : reader.event) fields.event += std::isalnum(static_cast<unsigned char>(c)) || c == '_' ? c : '?';
    return fields;
}

std::optional<std::int64_t> isoTimeMs(std::string_view text) {
    // 2030-01-01T12:00:03+03:00
    const auto number = [&](std::size_t at, std::size_t n, int& value) {
        if (at + n > text.size()) return false;
        value = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    int year, month, day, hour, minute, second;
    if (text.size() < 20 || !number(0, 4, year) || text[4] != '-' || !number(5, 2, month) || text[7] != '-' ||
        !number(8, 2, day) || text[10] != 'T' || !number(11, 2, hour) || text[13] != ':' || !number(14, 2, minute) ||
        text[16] != ':' || !number(17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    int offsetMinutes = 0;
    const std::string_view zone = text.substr(19);
    if (zone != "Z") {
        int hours = 0, minutes = 0;
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || !number(20, 2, hours) || text[22] != ':' ||
            !number(23, 2, minutes) || hours > 23 || minutes > 59)
            return std::nullopt;
        offsetMinutes = (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const std::int64_t universal = std::int64_t{timegm(&parts)} - std::int64_t{offsetMinutes} * 60;
    return universal * 1000;
}

const char* answerWord(Answer answer) {
    switch (answer) {
    case Answer::ok: return "200";
    case Answer::unavailable: return "503";
    case Answer::closed: return "closed";
    case Answer::bad: return "400";
    case Answer::torn: return "torn";
    }
    return "?";
}

std::string formatLogLine(const LogLine& line) {
    return std::to_string(line.ms) + " " + timeText(line.ms) + " " + word(line.method) + " " + word(line.target) +
           " " + word(line.event) + " " + (line.madeMs ? std::to_string(*line.madeMs) : "-") + " " +
           word(line.answer) + "\n";
}

std::optional<LogLine> parseLogLine(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::vector<std::string_view> words;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        words.push_back(text.substr(0, blank));
        if (blank == std::string_view::npos) break;
        text.remove_prefix(blank + 1);
    }
    if (words.size() != 7) return std::nullopt;
    const auto numberOf = [](std::string_view text, std::int64_t& value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size();
    };
    LogLine line;
    if (!numberOf(words[0], line.ms)) return std::nullopt;
    line.method = words[2];
    line.target = words[3];
    line.event = words[4];
    if (words[5] != "-") {
        std::int64_t made = 0;
        if (!numberOf(words[5], made)) return std::nullopt;
        line.madeMs = made;
    }
    line.answer = words[6];
    return line;
}

std::vector<LogLine> selectLines(const std::vector<LogLine>& lines, const Selection& selection) {
    std::vector<LogLine> out;
    for (const LogLine& line : lines) {
        if (line.ms < selection.fromMs || line.ms >= selection.toMs) continue;
        if (!selection.method.empty() && line.method != selection.method) continue;
        if (line.target.compare(0, selection.targetPrefix.size(), selection.targetPrefix) != 0) continue;
        if (!selection.event.empty() && line.event != selection.event) continue;
        if (!selection.answer.empty() && line.answer != selection.answer) continue;
        out.push_back(line);
    }
    return out;
}

std::vector<std::int64_t> gapsMs(const std::vector<LogLine>& lines) {
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < lines.size(); ++i) gaps.push_back(lines[i].ms - lines[i - 1].ms);
    return gaps;
}

bool gapsAsWanted(const std::vector<std::int64_t>& gaps, const std::vector<std::int64_t>& wanted, std::int64_t earlyMs,
                  std::int64_t lateMs) {
    if (gaps.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < gaps.size(); ++i)
        if (gaps[i] < wanted[i] - earlyMs || gaps[i] > wanted[i] + lateMs) return false;
    return true;
}

Verdict judgeDeliveries(const std::vector<LogLine>& delivered, const std::vector<Expected>& expected,
                        const std::vector<std::string>& extraKinds) {
    Verdict verdict;
    const auto named = [](const LogLine& line) {
        return line.event + " made " + (line.madeMs ? timeText(*line.madeMs).substr(0, 19) : "at no time given");
    };
    for (std::size_t i = 0; i < delivered.size(); ++i) {
        const LogLine& line = delivered[i];
        if (!line.madeMs) {
            verdict.failures.push_back(line.event + " delivered with no time made");
            continue;
        }
        for (std::size_t k = 0; k < i; ++k)
            if (delivered[k].event == line.event && delivered[k].madeMs == line.madeMs)
                verdict.failures.push_back("delivered twice: " + named(line));
        if (i > 0 && delivered[i - 1].madeMs && *line.madeMs < *delivered[i - 1].madeMs)
            verdict.failures.push_back("out of order: " + named(line) + " came after " + named(delivered[i - 1]));
    }
    const auto allowedExtra = [&](const std::string& event) {
        for (const std::string& kind : extraKinds)
            if (kind == event) return true;
        return false;
    };
    std::vector<bool> matched(delivered.size(), false);
    for (const Expected& want : expected) {
        const std::int64_t from = want.fromMs - ((want.fromMs % 1000) + 1000) % 1000;
        int found = 0;
        for (std::size_t i = 0; i < delivered.size(); ++i) {
            const LogLine& line = delivered[i];
            if (matched[i] || line.event != want.kind || !line.madeMs || *line.madeMs < from ||
                *line.madeMs > want.toMs)
                continue;
            // A second one of a kind allowed as extra is left to be one.
            if (++found == 1 || !allowedExtra(want.kind)) matched[i] = true;
        }
        const std::string window = "made from " + timeText(from).substr(11, 8) + " to " + timeText(want.toMs).substr(11, 12);
        if (found == 0) verdict.failures.push_back("missing: " + want.kind + " " + window);
        if (found > 1 && !allowedExtra(want.kind))
            verdict.failures.push_back(std::to_string(found) + " of " + want.kind + " " + window);
    }
    for (std::size_t i = 0; i < delivered.size(); ++i) {
        if (matched[i]) continue;
        const bool extra = allowedExtra(delivered[i].event);
        (extra ? verdict.notes : verdict.failures).push_back((extra ? "also: " : "unexpected: ") + named(delivered[i]));
    }
    return verdict;
}
