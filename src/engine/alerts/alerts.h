// The alerts as the program runs them: the settings read at start-up, the
// events the front reports turned into alerts, the queue kept in its file,
// one try at a time through the seat's sender, the heartbeat, and what goes
// into the journal (only the scheme, host and port of an address: tokens
// often sit in a URL's path or query). Portable: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "alerts/alert_rules.h"
#include "alerts/alert_settings.h"

// Request ids the sender answers with: the queue's own ids for alerts, and
// these ranges for the heartbeat and for the dialog's test.
constexpr std::uint64_t kHeartbeatRequest = std::uint64_t{1} << 62;
constexpr std::uint64_t kTestRequest = std::uint64_t{1} << 63;

extern const char kAlertsCaption[];

// Program start: the file's text (fileThere false: no file, nothing is
// sent), the queue file's text left by the program before, the computer's
// name.
void startAlerts(bool fileThere, const char* settingsText, std::size_t n, const char* queueText, std::size_t queueN,
                 const char* computer);
// The main window is shown: the problems of the file, in one box.
void onAlertsWindowShown();

// The values alerts carry, as the front knows them now.
void alertValues(const AlertSnapshot& values, bool linkUp);
// Every exchange tick: the deviation rule.
void alertsTick();
// Every second: the alerts made go into the queue, the oldest due one is
// tried, the heartbeat goes when due.
void alertsSecond();
// The sender's answer to a request: status 0 when nothing came back, and
// why.
void onAlertAnswer(std::uint64_t id, int status, const char* reason);

// The dialog: the settings in force, and new ones saved to the file.
const AlertSettings& alertsInForce();
void changeAlerts(const AlertSettings& settings);
// The dialog's "Проверить": a test alert sent at once to this address in
// this form (not queued); its answer comes to onAlertAnswer as kTestRequest.
void sendTestAlert(const AlertSettings& settings);
// The words for an answer: "ответ 200 (доставлено)", "нет ответа: ...".
std::string alertAnswerText(int status, const char* reason);

void resetAlerts();
