// The alerts' settings: the file alerts.ini in the program's folder of the
// roaming application data, which the lab edits by hand or through the
// settings dialog. This module reads its text (the Windows side reads the
// bytes of the file) and writes it back; it checks the dialog's fields with
// the same rules. Portable: no Windows header.
//
//   [webhook]      url=http(s)://...   format=json|text
//   [heartbeat]    url=http(s)://...   minutes=1..1440
//   [deviation]    band=0,1..50,0      minutes=1..1440
//
// A comment is a line of its own that begins with ";" (blanks before it
// allowed); a value runs to the end of its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class AlertFormat : std::uint8_t { json, text };

struct AlertSettings {
    std::string webhookUrl;  // empty: no alert is sent
    AlertFormat format = AlertFormat::json;
    std::string heartbeatUrl;  // empty: no heartbeat
    int heartbeatMinutes = 5;
    int bandTenths = 10;  // tenths of degC
    int deviationMinutes = 10;
};

constexpr int kAlertMinutesLowest = 1;
constexpr int kAlertMinutesHighest = 1440;
constexpr int kAlertBandLowest = 1;    // 0,1 degC
constexpr int kAlertBandHighest = 500;  // 50,0 degC

// A line of the file that could not be taken: its number (from 1) and the
// sentence that names it ("строка 7: неизвестный ключ «minute» в разделе
// [deviation]"), in the program's text.
struct AlertProblem {
    int line = 0;
    std::string text;
};

struct AlertSettingsLoad {
    AlertSettings settings;
    std::vector<AlertProblem> problems;
};

// Reads the file's bytes (a UTF-8 byte-order mark at the start allowed;
// lines end in "\r\n" or "\n"). Every line that can be taken applies; a key
// whose line is wrong keeps its default, and so does a key given again (the
// first one applies).
AlertSettingsLoad parseAlertSettings(const char* bytes, std::size_t n);

// The text of the one box that tells of the problems, lines joined with the
// box's line break "\n\r"; empty when there is none. At most
// kAlertProblemsShown lines are listed, then how many more there are.
constexpr std::size_t kAlertProblemsShown = 10;
std::string alertProblemsText(const std::vector<AlertProblem>& problems);

// The file's text for these settings, in the form parseAlertSettings reads,
// with "\r\n" line breaks. An address that alertUrlValid refuses is written
// empty (it could break the file's lines apart).
std::string formatAlertSettings(const AlertSettings& settings);

// The dialog's fields, checked as the value after "=" would be.
// An address: http:// or https:// (either case), a host name (or a bracketed
// IPv6 address), an optional port 1..65535, then anything without blanks.
// Only printable ASCII: a host in another script is written as the lab's
// server knows it in ASCII (punycode), a path with percent escapes.
bool alertUrlValid(const char* text);
// 0,1..50,0 with a comma or a point, one decimal at most.
bool alertBandValid(const char* text, int& tenths);
// 1..1440.
bool alertMinutesValid(const char* text, int& minutes);

// "scheme://host:port" of a valid address, the port always written (80 for
// http, 443 for https when the address gives none), scheme and host in small
// letters; empty for an address alertUrlValid refuses. A user name, password,
// path or query (where tokens sit) never comes out, so that the journal can
// name the address.
std::string urlOrigin(const std::string& url);
