// The alerts' rules: which events of the program become an alert for the lab
// and when, and when a heartbeat is due. The front reports what happens (the
// link, the run, every exchange tick); the rules make the due alerts, which
// the caller takes and hands to the delivery queue. Nothing is sent here.
// One instance of the rules' state, owned by this module. Portable: no
// Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seat.h"
#include "alerts/alert_settings.h"

enum class AlertKind : std::uint8_t {
    linkLost,
    linkRestored,
    linkGivenUp,
    deviation,
    deviationCleared,
    runWaiting,
    runCompleted,
    runStopped,
    runResumedAfterRestart,
    closedDuringRun,
    test,
};
constexpr int kAlertKindCount = 11;

// Why a run was stopped.
enum class StopCause : std::uint8_t { operator_, listCleared, linkGivenUp };

// The names as sent: "link_lost", ..., "test"; "operator", "list_cleared",
// "link_given_up".
const char* alertKindName(AlertKind kind);
const char* stopCauseName(StopCause cause);
// The kind of a name alertKindName gives; false for any other text.
bool alertKindFromName(const std::string& name, AlertKind& kind);

// The values an alert carries: the thermostat's last report while the link
// is up, and the running stage of the stage count (0: none).
struct AlertSnapshot {
    bool hasMeasured = false;
    std::int16_t measuredTenths = 0;
    bool hasMaintained = false;
    std::int16_t maintainedTenths = 0;
    int stage = 0;
    int stages = 0;
};

// When an event happened: universal seconds from 01.01.1601 00:00 UTC and
// the local offset (local minus universal, in minutes).
struct AlertTime {
    std::int64_t universalSeconds = 0;
    int offsetMinutes = 0;
};
AlertTime alertTimeOf(const ClockReading& reading);

struct AlertEvent {
    AlertKind kind = AlertKind::test;
    std::int64_t universalSeconds = 0;
    int offsetMinutes = 0;
    AlertSnapshot values;
    StopCause cause = StopCause::operator_;
    bool hasCause = false;  // run_stopped only
    std::string text;       // a sentence for the operator, in the program's text
};

// Program start, with the settings read from the file: nothing due, the
// deviation rule unarmed, the first heartbeat due at the first call.
void resetAlertRules(const AlertSettings& settings);
// New settings from the dialog: what the rules follow goes on (a deviation
// being timed, the heartbeats' times from the program's start).
void changeAlertSettings(const AlertSettings& settings);
const AlertSettings& alertSettings();

// The events. Without a webhook address no alert is made.
// A reply was missed: once per loss.
void alertLinkLost(const AlertSnapshot& values, AlertTime time);
// Called at the first reply of every connection: an alert only when a lost
// or given-up link was told before.
void alertLinkRestored(const AlertSnapshot& values, AlertTime time);
// The link was given up and the port closed: once until the next connection.
// wasConnected: the thermostat had answered (a lost link), else it never
// answered this attempt.
void alertLinkGivenUp(bool wasConnected, const AlertSnapshot& values, AlertTime time);
void alertRunWaiting(const AlertSnapshot& values, AlertTime time);
void alertRunCompleted(const AlertSnapshot& values, AlertTime time);
void alertRunStopped(StopCause cause, const AlertSnapshot& values, AlertTime time);
void alertRunResumedAfterRestart(const AlertSnapshot& values, AlertTime time);
void alertClosedDuringRun(const AlertSnapshot& values, AlertTime time);
void alertTest(const AlertSnapshot& values, AlertTime time);

// The deviation rule, at every exchange tick. programMs: milliseconds of
// program time that never go back (the caller widens the system's 32-bit
// tick count). measured and maintained count only while linkUp.
// A deviation is told when |measured - maintained| stays above the band for
// longer than the set minutes of time with the link up (the time while the
// link is down does not count, and the count goes on after); once per
// excursion, and a "deviation cleared" when the bath is within the band
// again. The rule is armed only once the bath has been within the band of
// the maintained temperature: not before the first reply, and not after a
// new set-point (or another maintained temperature reported by the
// thermostat) until the bath reaches it.
void alertTick(std::int64_t programMs, bool linkUp, std::int16_t measuredTenths, std::int16_t maintainedTenths,
               const AlertSnapshot& values, AlertTime time);
// A new set-point went out (by hand or for a stage).
void alertSetpointChanged();

// The alerts made since the last call, oldest first.
std::vector<AlertEvent> takeDueAlerts();

// The heartbeat, with a heartbeat address only: due at the first call and
// then every set number of minutes from that first call (one per period,
// however late the call).
bool heartbeatDue(std::int64_t programMs);
// Whether the heartbeat got through.
void heartbeatResult(bool ok);
// True once after a failed heartbeat, until one gets through again.
bool heartbeatFailureToJournal();
