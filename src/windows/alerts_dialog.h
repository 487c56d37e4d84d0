// The alerts' dialog "Оповещения": the lab's addresses and limits, checked
// as they are edited, saved to alerts.ini; "Проверить" sends a test alert
// and shows the answer.
#pragma once

#include <windows.h>

// Runs the dialog, owned by the main window.
void runAlertsDialog(HWND owner);
// The answer to the test, while the dialog is open.
void showAlertTestAnswer(const char* text);
