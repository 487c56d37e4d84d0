#include "alerts/alerts.h"

#include <string>
#include <vector>

#include "seat.h"
#include "alerts/alert_body.h"
#include "alerts/alert_queue.h"
#include "journal/journal.h"

const char kAlertsCaption[] = "Оповещения";

namespace {

struct AlertsState {
    bool fileThere = false;
    std::string problems;  // the box's text, empty when none
    std::string computer;
    AlertQueue queue;
    AlertTry sent;  // the alert in flight, id 0 when none
    bool heartbeatInFlight = false;
    std::uint64_t requests = 0;  // heartbeats and tests so far
    // Program time from the system's tick count, widened past its wrap.
    bool ticked = false;
    std::uint32_t lastTick = 0;
    std::int64_t programMs = 0;
    AlertSnapshot values;
    bool linkUp = false;
};
AlertsState alerts;

std::int64_t programMs() {
    const std::uint32_t tick = seat().system.tickCount();
    if (alerts.ticked) alerts.programMs += static_cast<std::uint32_t>(tick - alerts.lastTick);
    alerts.ticked = true;
    alerts.lastTick = tick;
    return alerts.programMs;
}

AlertTime now() { return alertTimeOf(seat().system.clock()); }

void saveQueue() {
    const std::string text = encodeAlertQueue(alerts.queue);
    seat().files.saveAlertQueue(text.data(), text.size());
}

const char* contentType(AlertFormat format) {
    return format == AlertFormat::json ? "application/json; charset=utf-8" : "text/plain; charset=utf-8";
}

void journalLine(const std::string& text) { journalEvent(text.c_str()); }

// The alerts made since the last second go into the queue, which is kept.
void queueDueAlerts() {
    const std::vector<AlertEvent> due = takeDueAlerts();
    if (due.empty()) return;
    for (const AlertEvent& event : due)
        enqueueAlertEvent(alerts.queue, event, alertSettings().format, alerts.computer);
    saveQueue();
}

void tryOldest() {
    if (alerts.sent.id != 0 || alertSettings().webhookUrl.empty()) return;
    const int expired = takeExpiredAlerts(alerts.queue);
    if (expired > 0) {
        journalLine("оповещения не доставлены за 24 ч и отменены: " + std::to_string(expired));
        saveQueue();
    }
    AlertTry next = nextAlertTry(alerts.queue, now().universalSeconds);
    if (next.id == 0) return;
    alerts.sent = next;
    const std::string& url = alertSettings().webhookUrl;
    seat().net.send(next.id, "POST", url.c_str(), contentType(alertSettings().format), next.body.data(),
                    next.body.size());
}

std::string kindOf(std::uint64_t id) {
    for (const QueuedAlert& entry : alerts.queue.entries)
        if (entry.id == id) return entry.kind;
    return "?";
}

}  // namespace

std::string alertAnswerText(int status, const char* reason) {
    if (status <= 0) return std::string("нет ответа: ") + (reason && *reason ? reason : "ошибка сети");
    std::string text = "ответ " + std::to_string(status);
    switch (classifyAnswer(status)) {
    case AnswerKind::delivered: return text + " (доставлено)";
    case AnswerKind::retry: return text + " (сервер просит повторить позже)";
    case AnswerKind::givenUp: return text + " (сервер не принял)";
    }
    return text;
}

void startAlerts(bool fileThere, const char* settingsText, std::size_t n, const char* queueText, std::size_t queueN,
                 const char* computer) {
    alerts = AlertsState{};
    alerts.fileThere = fileThere;
    alerts.computer = computer ? computer : "";
    AlertSettingsLoad load;
    if (fileThere) load = parseAlertSettings(settingsText, n);
    resetAlertRules(load.settings);
    alerts.problems = alertProblemsText(load.problems);
    alerts.queue = decodeAlertQueue(queueText, queueN);
    programMs();
}

void onAlertsWindowShown() {
    if (alerts.problems.empty()) return;
    const std::string text = alerts.problems;
    alerts.problems.clear();
    seat().boxes.show(text.c_str(), kAlertsCaption, box::ok | box::iconExclamation);
}

void alertValues(const AlertSnapshot& values, bool linkUp) {
    alerts.values = values;
    alerts.linkUp = linkUp;
}

void alertsTick() {
    alertTick(programMs(), alerts.linkUp, alerts.values.measuredTenths, alerts.values.maintainedTenths, alerts.values,
              now());
}

void alertsSecond() {
    const std::int64_t ms = programMs();
    queueDueAlerts();
    tryOldest();
    const std::string& beat = alertSettings().heartbeatUrl;
    if (!beat.empty() && !alerts.heartbeatInFlight && heartbeatDue(ms)) {
        alerts.heartbeatInFlight = true;
        seat().net.send(kHeartbeatRequest + ++alerts.requests, "GET", beat.c_str(), "", "", 0);
    }
}

void onAlertAnswer(std::uint64_t id, int status, const char* reason) {
    const std::string answer = alertAnswerText(status, reason);
    if (id & kTestRequest) {
        seat().net.testAnswered(answer.c_str());
        return;
    }
    if (id & kHeartbeatRequest) {
        alerts.heartbeatInFlight = false;
        heartbeatResult(classifyAnswer(status) == AnswerKind::delivered);
        if (heartbeatFailureToJournal())
            journalLine("сигнал присутствия не доставлен на " + urlOrigin(alertSettings().heartbeatUrl) + ": " + answer);
        return;
    }
    if (id != alerts.sent.id) return;
    const std::string kind = kindOf(id);
    const std::string where = urlOrigin(alertSettings().webhookUrl);
    const AlertTry sent = alerts.sent;
    alerts.sent = AlertTry{};
    switch (alertAnswered(alerts.queue, sent, status, now().universalSeconds)) {
    case AnswerKind::delivered: journalLine("оповещение " + kind + " отправлено на " + where + ": " + answer); break;
    case AnswerKind::retry:
        journalLine("оповещение " + kind + " не доставлено на " + where + ": " + answer + ", будет повторено");
        break;
    case AnswerKind::givenUp:
        journalLine("оповещение " + kind + " не доставлено на " + where + ": " + answer + ", отменено");
        break;
    }
    saveQueue();
}

const AlertSettings& alertsInForce() { return alertSettings(); }

void changeAlerts(const AlertSettings& settings) {
    const std::string text = formatAlertSettings(settings);
    seat().files.saveAlertSettings(text.data(), text.size());
    changeAlertSettings(settings);
    alerts.fileThere = true;
}

void sendTestAlert(const AlertSettings& settings) {
    AlertEvent event;
    const AlertTime time = now();
    event.kind = AlertKind::test;
    event.universalSeconds = time.universalSeconds;
    event.offsetMinutes = time.offsetMinutes;
    event.values = alerts.values;
    event.text = "Проверка оповещений: это сообщение отправлено кнопкой «Проверить».";
    const std::string body = alertBody(event, settings.format, alerts.computer, 0);
    seat().net.send(kTestRequest + ++alerts.requests, "POST", settings.webhookUrl.c_str(), contentType(settings.format),
                    body.data(), body.size());
}

void resetAlerts() {
    alerts = AlertsState{};
    resetAlertRules(AlertSettings{});
}
