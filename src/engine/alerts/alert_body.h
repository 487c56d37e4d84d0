// The bodies of the alerts as they go to the lab's address: one JSON object,
// or the sentence alone as plain text. Bodies are in the program's text; the
// Windows side turns the whole body into UTF-8 before it sends it.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>

#include "alerts/alert_rules.h"
#include "alerts/alert_settings.h"

// "2026-12-09T14:03:05+03:00": the local time of universalSeconds (from
// 01.01.1601 00:00 UTC) with its offset (local minus universal, minutes).
std::string isoTime(std::int64_t universalSeconds, int offsetMinutes);

// {"event":"link_lost","text":"...","time":"...","computer":"LAB-PC",
//  "measured":25.3,"maintained":25.0,"stage":3,"stages":5}
// An absent value is null; "cause" follows for run_stopped only, and
// "dropped" (with the dropped sentence added to "text") only when dropped > 0.
std::string alertJson(const AlertEvent& event, const std::string& computer, int dropped);
// The sentence, and the dropped sentence when dropped > 0.
std::string alertPlainText(const AlertEvent& event, int dropped);
std::string alertBody(const AlertEvent& event, AlertFormat format, const std::string& computer, int dropped);

// " Пропущено событий из-за переполнения очереди: 12."
std::string droppedSentence(int dropped);

// A body made with dropped 0 as it would be made with dropped (> 0): the
// sentence after the text, and for JSON the "dropped" member. False, and the
// body left as it is, when a JSON body is not of alertJson's form.
bool addDroppedToBody(std::string& body, bool json, int dropped);
