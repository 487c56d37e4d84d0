#include "alerts/alert_settings.h"

#include <algorithm>
#include <string_view>

#include "link/temperature.h"

// Kept whole in the program's data, where the guide's check of its messages
// finds it (a text the compiler folds into code is not found there).
extern const char kProblemsHeading[] = "В файле оповещений alerts.ini есть ошибки; остальные настройки действуют:";

namespace {

constexpr std::size_t kLongestUrl = 2048;
// A name quoted from the file in a problem's sentence: this many characters
// at most, and only printable ASCII (the rest shows as "?"), so that a
// damaged file cannot fill the box or put control characters in it.
constexpr std::size_t kLongestQuoted = 32;



bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(s[i]) != prefix[i]) return false;
    return true;
}

struct UrlParts {
    bool https = false;
    std::string_view host;  // with its brackets for an IPv6 address
    int port = 0;
};

bool splitUrl(std::string_view url, UrlParts& out) {
    if (url.size() > kLongestUrl) return false;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E) return false;
    }
    std::size_t at = 0;
    if (startsWithNoCase(url, "http://")) {
        at = 7;
    } else if (startsWithNoCase(url, "https://")) {
        out.https = true;
        at = 8;
    } else {
        return false;
    }
    const std::size_t end = url.find_first_of("/?#", at);
    std::string_view authority = url.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    const std::size_t userEnd = authority.rfind('@');
    if (userEnd != std::string_view::npos) authority.remove_prefix(userEnd + 1);

    std::string_view rest;  // ":port" or nothing
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        for (const char c : authority.substr(1, close - 1))
            if (!isHexDigit(c) && c != ':' && c != '.') return false;
        out.host = authority.substr(0, close + 1);
        rest = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(':');
        out.host = authority.substr(0, colon);
        if (out.host.empty()) return false;
        for (const char c : out.host)
            if (!isAlnum(c) && c != '-' && c != '.' && c != '_') return false;
        if (colon != std::string_view::npos) rest = authority.substr(colon);
    }
    out.port = out.https ? 443 : 80;
    if (rest.empty()) return true;
    if (rest.front() != ':' || rest.size() < 2 || rest.size() > 6) return false;
    int port = 0;
    for (const char c : rest.substr(1)) {
        if (!isDigit(c)) return false;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return false;
    out.port = port;
    return true;
}

bool parseMinutes(std::string_view text, int& minutes) {
    if (text.empty() || text.size() > 6) return false;
    int value = 0;
    for (const char c : text) {
        if (!isDigit(c)) return false;
        value = value * 10 + (c - '0');
    }
    if (value < kAlertMinutesLowest || value > kAlertMinutesHighest) return false;
    minutes = value;
    return true;
}

bool parseBand(std::string_view text, int& tenths) {
    std::size_t i = 0;
    int whole = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > 1000) return false;
    }
    if (i == 0) return false;
    int fraction = 0;
    if (i < text.size()) {
        if ((text[i] != ',' && text[i] != '.') || i + 2 != text.size() || !isDigit(text[i + 1])) return false;
        fraction = text[i + 1] - '0';
    }
    const int value = whole * 10 + fraction;
    if (value < kAlertBandLowest || value > kAlertBandHighest) return false;
    tenths = value;
    return true;
}

std::string quoted(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size() && i < kLongestQuoted; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        out += byte >= 0x20 && byte < 0x7F ? name[i] : '?';
    }
    if (name.size() > kLongestQuoted) out += "...";
    return out;
}

enum class Section { none, webhook, heartbeat, deviation, unknown };

struct KeyRule {
    Section section;
    const char* name;
};

// The keys of the file; the index names each below.
enum Key { webhookUrl, webhookFormat, heartbeatUrl, heartbeatMinutes, deviationBand, deviationMinutes, keyCount };
constexpr KeyRule kKeys[keyCount] = {
    {Section::webhook, "url"},       {Section::webhook, "format"}, {Section::heartbeat, "url"},
    {Section::heartbeat, "minutes"}, {Section::deviation, "band"}, {Section::deviation, "minutes"},
};

// The names of the three sections, by Section's value.
constexpr const char* kSectionNames[4] = {"", "webhook", "heartbeat", "deviation"};

std::string sectionName(Section section) {
    std::string name = "[";
    name += kSectionNames[static_cast<int>(section)];
    name += ']';
    return name;
}

// Takes the value of a key; the sentence of its problem when it is wrong.
const char* applyValue(int key, std::string_view value, AlertSettings& settings) {
    int number = 0;
    switch (key) {
    case webhookUrl:
    case heartbeatUrl: {
        UrlParts parts;
        // An empty address is the explicit "none".
        if (!value.empty() && !splitUrl(value, parts))
            return "url должен начинаться с http:// или https://, содержать имя сервера и состоять из латинских "
                   "букв, цифр и знаков, без пробелов";
        (key == webhookUrl ? settings.webhookUrl : settings.heartbeatUrl) = std::string(value);
        return nullptr;
    }
    case webhookFormat:
        if (value == "json") settings.format = AlertFormat::json;
        else if (value == "text") settings.format = AlertFormat::text;
        else return "format должен быть json или text";
        return nullptr;
    case heartbeatMinutes:
    case deviationMinutes:
        if (!parseMinutes(value, number)) return "minutes должен быть целым числом от 1 до 1440";
        (key == heartbeatMinutes ? settings.heartbeatMinutes : settings.deviationMinutes) = number;
        return nullptr;
    case deviationBand:
        if (!parseBand(value, number))
            return "band должен быть числом от 0,1 до 50,0, не больше одного знака после запятой";
        settings.bandTenths = number;
        return nullptr;
    default: return nullptr;
    }
}

struct Reader {
    AlertSettingsLoad load;
    Section section = Section::none;
    int sectionLines[4] = {};  // the first line of [webhook], [heartbeat], [deviation]
    int takenAt[keyCount] = {};
    bool given[keyCount] = {};

    void problem(int line, const std::string& text) {
        load.problems.push_back(AlertProblem{line, "строка " + std::to_string(line) + ": " + text});
    }

    void sectionLine(int line, std::string_view name) {
        section = Section::unknown;
        for (const Section s : {Section::webhook, Section::heartbeat, Section::deviation})
            if (name == kSectionNames[static_cast<int>(s)]) section = s;
        if (section == Section::unknown) {
            problem(line, "неизвестный раздел [" + quoted(name) + "]; разделы: [webhook], [heartbeat], [deviation]");
            return;
        }
        int& first = sectionLines[static_cast<int>(section)];
        if (first == 0) first = line;
    }

    void keyLine(int line, std::string_view name, std::string_view value) {
        if (section == Section::unknown) return;  // told once, at the section
        if (section == Section::none) {
            problem(line, "ключ «" + quoted(name) + "» стоит до первого раздела");
            return;
        }
        int key = 0;
        while (key < keyCount && !(kKeys[key].section == section && name == kKeys[key].name)) ++key;
        if (key == keyCount) {
            problem(line, "неизвестный ключ «" + quoted(name) + "» в разделе " + sectionName(section));
            return;
        }
        given[key] = true;
        if (takenAt[key] != 0) {
            problem(line, std::string("ключ ") + kKeys[key].name + " уже задан в строке " +
                              std::to_string(takenAt[key]) + "; действует то значение");
            return;
        }
        if (const char* wrong = applyValue(key, value, load.settings)) {
            problem(line, wrong);
            return;
        }
        takenAt[key] = line;
    }

    void line(int number, std::string_view text) {
        text = trimmed(text);
        if (text.empty() || text.front() == ';') return;
        if (text.front() == '[' && text.back() == ']' && text.size() >= 2) {
            sectionLine(number, text.substr(1, text.size() - 2));
            return;
        }
        const std::size_t equals = text.find('=');
        const std::string_view name = equals == std::string_view::npos ? text : trimmed(text.substr(0, equals));
        if (equals == std::string_view::npos || name.empty()) {
            if (section != Section::unknown)
                problem(number, "непонятная строка; ожидается [раздел], ключ=значение или комментарий после «;»");
            return;
        }
        keyLine(number, name, trimmed(text.substr(equals + 1)));
    }

    void missingUrl(Section s, int key, const char* what) {
        const int at = sectionLines[static_cast<int>(s)];
        if (at != 0 && !given[key])
            problem(at, "в разделе " + sectionName(s) + " нет ключа url: " + what + " не отправляются");
    }
};

}  // namespace

AlertSettingsLoad parseAlertSettings(const char* bytes, std::size_t n) {
    Reader reader;
    std::string_view text(bytes == nullptr ? "" : bytes, bytes == nullptr ? 0 : n);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        reader.line(++number, line);
    }
    reader.missingUrl(Section::webhook, webhookUrl, "оповещения");
    reader.missingUrl(Section::heartbeat, heartbeatUrl, "контрольные сигналы");
    std::stable_sort(reader.load.problems.begin(), reader.load.problems.end(),
                     [](const AlertProblem& a, const AlertProblem& b) { return a.line < b.line; });
    return reader.load;
}

std::string alertProblemsText(const std::vector<AlertProblem>& problems) {
    if (problems.empty()) return {};
    std::string text = kProblemsHeading;
    for (std::size_t i = 0; i < problems.size() && i < kAlertProblemsShown; ++i) text += "\n\r" + problems[i].text;
    if (problems.size() > kAlertProblemsShown)
        text += "\n\rИ ещё ошибок: " + std::to_string(problems.size() - kAlertProblemsShown) + ".";
    return text;
}

std::string formatAlertSettings(const AlertSettings& settings) {
    const auto url = [](const std::string& address) {
        return alertUrlValid(address.c_str()) ? address : std::string();
    };
    char band[kTemperatureTextSize];
    formatTemperature(static_cast<std::int16_t>(std::clamp(settings.bandTenths, -32768, 32767)), band);
    std::string text = "[webhook]\r\nurl=" + url(settings.webhookUrl) + "\r\nformat=";
    text += settings.format == AlertFormat::text ? "text" : "json";
    text += "\r\n\r\n[heartbeat]\r\nurl=" + url(settings.heartbeatUrl) + "\r\nminutes=" +
            std::to_string(settings.heartbeatMinutes);
    text += "\r\n\r\n[deviation]\r\nband=" + std::string(band) +
            "\r\nminutes=" + std::to_string(settings.deviationMinutes) + "\r\n";
    return text;
}

bool alertUrlValid(const char* text) {
    UrlParts parts;
    return text != nullptr && splitUrl(text, parts);
}

bool alertBandValid(const char* text, int& tenths) { return text != nullptr && parseBand(text, tenths); }

bool alertMinutesValid(const char* text, int& minutes) { return text != nullptr && parseMinutes(text, minutes); }

std::string urlOrigin(const std::string& url) {
    UrlParts parts;
    if (!splitUrl(url, parts)) return {};
    std::string origin = parts.https ? "https://" : "http://";
    for (const char c : parts.host) origin += lower(c);
    return origin + ":" + std::to_string(parts.port);
}
