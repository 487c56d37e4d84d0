#include "alerts/alert_rules.h"

#include <cstdlib>
#include <utility>

#include "journal/journal_format.h"
#include "link/temperature.h"

namespace {

constexpr const char* kKindNames[kAlertKindCount] = {
    "link_lost", "link_restored", "link_given_up", "deviation", "deviation_cleared", "run_waiting",
    "run_completed", "run_stopped", "run_resumed_after_restart", "closed_during_run", "test",
};
constexpr std::int64_t kMinuteMs = 60000;

struct RulesState {
    AlertSettings settings;
    std::vector<AlertEvent> due;

    // The link: a loss or a give-up already told, until the next connection.
    bool lossTold = false;
    bool givenUpTold = false;

    // The deviation rule.
    bool armed = false;           // the bath has been within the band since the last set-point
    bool outside = false;         // the present excursion is being timed
    std::int64_t outsideMs = 0;   // its time with the link up
    bool ticking = false;         // the last tick had the link up
    std::int64_t lastTickMs = 0;
    bool deviationTold = false;   // a deviation was sent and not cleared yet
    bool hasMaintained = false;
    std::int16_t lastMaintained = 0;

    // The heartbeat.
    bool heartbeatStarted = false;
    std::int64_t nextHeartbeatMs = 0;
    bool heartbeatFailed = false;
    bool heartbeatFailureTold = false;
};
RulesState rules;

std::string temperatureText(int tenths) {
    char text[kTemperatureTextSize];
    formatTemperature(static_cast<std::int16_t>(tenths), text);
    return std::string(text) + " °C";
}

// The alert made, or null without a webhook address.
AlertEvent* make(AlertKind kind, const AlertSnapshot& values, AlertTime time, std::string text) {
    if (rules.settings.webhookUrl.empty()) return nullptr;
    AlertEvent event;
    event.kind = kind;
    event.universalSeconds = time.universalSeconds;
    event.offsetMinutes = time.offsetMinutes;
    event.values = values;
    event.text = std::move(text);
    rules.due.push_back(std::move(event));
    return &rules.due.back();
}

std::string stageOfStages(const AlertSnapshot& values) {
    if (values.stage <= 0) return {};
    std::string text = ", этап " + std::to_string(values.stage);
    if (values.stages > 0) text += " из " + std::to_string(values.stages);
    return text;
}

// Minutes of a setting in milliseconds, kept within the file's range (the
// dialog's settings come checked; a zero here would never end a period).
std::int64_t minutesMs(int minutes) {
    return (minutes < kAlertMinutesLowest    ? kAlertMinutesLowest
            : minutes > kAlertMinutesHighest ? kAlertMinutesHighest
                                             : minutes) *
           kMinuteMs;
}

// The deviation rule waits for the bath to come within the band again.
void disarm() {
    rules.armed = false;
    rules.outside = false;
    rules.outsideMs = 0;
}

}  // namespace

const char* alertKindName(AlertKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kAlertKindCount ? kKindNames[index] : "";
}

const char* stopCauseName(StopCause cause) {
    switch (cause) {
    case StopCause::operator_: return "operator";
    case StopCause::listCleared: return "list_cleared";
    case StopCause::linkGivenUp: return "link_given_up";
    }
    return "";
}

bool alertKindFromName(const std::string& name, AlertKind& kind) {
    for (int i = 0; i < kAlertKindCount; ++i)
        if (name == kKindNames[i]) {
            kind = static_cast<AlertKind>(i);
            return true;
        }
    return false;
}

AlertTime alertTimeOf(const ClockReading& reading) {
    return AlertTime{reading.universalSeconds, utcOffsetMinutes(reading)};
}

void resetAlertRules(const AlertSettings& settings) {
    rules = RulesState{};
    rules.settings = settings;
}

void changeAlertSettings(const AlertSettings& settings) {
    const bool heartbeatWasOff = rules.settings.heartbeatUrl.empty();
    rules.settings = settings;
    // A heartbeat address given anew: a heartbeat at once, and the period
    // from then.
    if (heartbeatWasOff) rules.heartbeatStarted = false;
}

const AlertSettings& alertSettings() { return rules.settings; }

void alertLinkLost(const AlertSnapshot& values, AlertTime time) {
    if (rules.lossTold || rules.givenUpTold) return;
    rules.lossTold = true;
    make(AlertKind::linkLost, values, time, "Связь с термостатом потеряна: термостат не отвечает на запросы.");
}

void alertLinkRestored(const AlertSnapshot& values, AlertTime time) {
    const bool told = rules.lossTold || rules.givenUpTold;
    rules.lossTold = false;
    rules.givenUpTold = false;
    if (told) make(AlertKind::linkRestored, values, time, "Связь с термостатом восстановлена.");
}

void alertLinkGivenUp(bool wasConnected, const AlertSnapshot& values, AlertTime time) {
    // The next connection waits for the bath within the band, as at the
    // first reply; a deviation told stays to be cleared.
    disarm();
    rules.hasMaintained = false;
    if (rules.givenUpTold) return;
    rules.givenUpTold = true;
    make(AlertKind::linkGivenUp, values, time,
         wasConnected ? "Связь с термостатом прекращена: термостат не отвечает, порт закрыт."
                      : "Термостат не ответил на подключение, порт закрыт.");
}

void alertRunWaiting(const AlertSnapshot& values, AlertTime time) {
    make(AlertKind::runWaiting, values, time,
         "Программа этапов, оставшаяся с прошлого запуска, ждёт термостат: он не отвечает на запросы. "
         "Управление возобновится после подключения к термостату.");
}

void alertRunCompleted(const AlertSnapshot& values, AlertTime time) {
    make(AlertKind::runCompleted, values, time, "Программа этапов выполнена: завершено выполнение всех этапов.");
}

void alertRunStopped(StopCause cause, const AlertSnapshot& values, AlertTime time) {
    const char* text = "Программа этапов остановлена: связь с термостатом прекращена.";
    if (cause == StopCause::operator_) text = "Программа этапов остановлена оператором.";
    else if (cause == StopCause::listCleared) text = "Программа этапов остановлена: список этапов очищен.";
    if (AlertEvent* event = make(AlertKind::runStopped, values, time, text)) {
        event->cause = cause;
        event->hasCause = true;
    }
}

void alertRunResumedAfterRestart(const AlertSnapshot& values, AlertTime time) {
    make(AlertKind::runResumedAfterRestart, values, time,
         "Программа этапов возобновлена после перезапуска программы управления" + stageOfStages(values) + ".");
}

void alertClosedDuringRun(const AlertSnapshot& values, AlertTime time) {
    make(AlertKind::closedDuringRun, values, time,
         "Программа управления закрыта во время выполнения программы этапов" + stageOfStages(values) +
             ": автоматическое управление термостатом прервано.");
}

void alertTest(const AlertSnapshot& values, AlertTime time) {
    make(AlertKind::test, values, time, "Проверка оповещений: это пробное сообщение программы управления термостатом.");
}

void alertTick(std::int64_t programMs, bool linkUp, std::int16_t measured, std::int16_t maintained,
               const AlertSnapshot& values, AlertTime time) {
    if (!linkUp) {
        rules.ticking = false;  // the time until the link is up again does not count
        return;
    }
    // Another maintained temperature (a set-point changed at the
    // thermostat's panel, or the reply to one this program sent): the bath
    // is on its way.
    if (rules.hasMaintained && maintained != rules.lastMaintained) disarm();
    rules.hasMaintained = true;
    rules.lastMaintained = maintained;

    const bool within = std::abs(int{measured} - int{maintained}) <= rules.settings.bandTenths;
    const std::int64_t step = rules.ticking && programMs > rules.lastTickMs ? programMs - rules.lastTickMs : 0;
    rules.ticking = true;
    rules.lastTickMs = programMs;

    if (within) {
        rules.armed = true;
        rules.outside = false;
        rules.outsideMs = 0;
        if (rules.deviationTold) {
            rules.deviationTold = false;
            make(AlertKind::deviationCleared, values, time,
                 "Температура ванны " + temperatureText(measured) + " снова отличается от заданной " +
                     temperatureText(maintained) + " не больше чем на " + temperatureText(rules.settings.bandTenths) +
                     ".");
        }
        return;
    }
    if (!rules.armed) return;
    if (rules.outside) rules.outsideMs += step;
    rules.outside = true;
    if (rules.deviationTold || rules.outsideMs <= minutesMs(rules.settings.deviationMinutes)) return;
    rules.deviationTold = true;
    make(AlertKind::deviation, values, time,
         "Температура ванны " + temperatureText(measured) + " отличается от заданной " + temperatureText(maintained) +
             " больше чем на " + temperatureText(rules.settings.bandTenths) + " уже " +
             std::to_string(rules.settings.deviationMinutes) + " мин.");
}

void alertSetpointChanged() { disarm(); }

std::vector<AlertEvent> takeDueAlerts() { return std::exchange(rules.due, {}); }

bool heartbeatDue(std::int64_t programMs) {
    if (rules.settings.heartbeatUrl.empty()) return false;
    const std::int64_t period = minutesMs(rules.settings.heartbeatMinutes);
    if (!rules.heartbeatStarted) {
        rules.heartbeatStarted = true;
        rules.nextHeartbeatMs = programMs + period;
        return true;
    }
    if (programMs < rules.nextHeartbeatMs) return false;
    // One heartbeat however many periods passed, and the grid kept.
    rules.nextHeartbeatMs += (programMs - rules.nextHeartbeatMs) / period * period + period;
    return true;
}

void heartbeatResult(bool ok) {
    rules.heartbeatFailed = !ok;
    if (ok) rules.heartbeatFailureTold = false;
}

bool heartbeatFailureToJournal() {
    if (!rules.heartbeatFailed || rules.heartbeatFailureTold) return false;
    rules.heartbeatFailureTold = true;
    return true;
}
