// The alerts' two files: the settings "<application data>\KRMD\alerts.ini"
// that the lab edits (and the dialog writes), and the queue of alerts not yet
// delivered "<local application data>\KRMD\alerts-queue.txt", beside the
// journal, replaced whole at every change so that a power cut leaves the old
// text or the new one.
#pragma once

#include <cstddef>
#include <string>

// The file's bytes; false when there is no such file (or it cannot be read).
bool readAlertsSettings(std::string& bytes);
bool readAlertsQueue(std::string& bytes);
bool writeAlertsSettings(const char* text, std::size_t n);
void writeAlertsQueue(const char* text, std::size_t n);
// The computer's name, as the alerts carry it.
std::string computerName();
