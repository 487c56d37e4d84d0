#include "alerts_dialog.h"

#include <string>

#include "alerts/alerts.h"
#include "startup.h"
#include "resource.h"

namespace {

HWND openDialog = nullptr;

std::string fieldText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The settings the fields hold; false, with the first wrong field named,
// when one of them cannot be taken.
bool readFields(HWND dialog, AlertSettings& settings, std::string& wrong) {
    settings = alertsInForce();
    settings.webhookUrl = fieldText(dialog, IDC_ALERT_WEBHOOK);
    settings.format = SendDlgItemMessageA(dialog, IDC_ALERT_FORMAT, CB_GETCURSEL, 0, 0) == 1 ? AlertFormat::text
                                                                                            : AlertFormat::json;
    settings.heartbeatUrl = fieldText(dialog, IDC_ALERT_BEAT);
    if (!settings.webhookUrl.empty() && !alertUrlValid(settings.webhookUrl.c_str())) {
        wrong = "Адрес сообщений должен начинаться с http:// или https:// и не содержать пробелов.";
        return false;
    }
    if (!settings.heartbeatUrl.empty() && !alertUrlValid(settings.heartbeatUrl.c_str())) {
        wrong = "Адрес сигнала присутствия должен начинаться с http:// или https:// и не содержать пробелов.";
        return false;
    }
    if (!alertMinutesValid(fieldText(dialog, IDC_ALERT_BEAT_MINUTES).c_str(), settings.heartbeatMinutes)) {
        wrong = "Период сигнала присутствия: от 1 до 1440 минут.";
        return false;
    }
    if (!alertBandValid(fieldText(dialog, IDC_ALERT_BAND).c_str(), settings.bandTenths)) {
        wrong = "Допустимое отклонение: от 0,1 до 50,0 °C.";
        return false;
    }
    if (!alertMinutesValid(fieldText(dialog, IDC_ALERT_MINUTES).c_str(), settings.deviationMinutes)) {
        wrong = "Время отклонения: от 1 до 1440 минут.";
        return false;
    }
    return true;
}

// After every edit: what is wrong is said, and only what can be done is
// enabled.
void checkFields(HWND dialog) {
    AlertSettings settings;
    std::string wrong;
    const bool valid = readFields(dialog, settings, wrong);
    SetDlgItemTextA(dialog, IDC_ALERT_STATUS, wrong.c_str());
    EnableWindow(GetDlgItem(dialog, IDC_ALERT_SAVE), valid);
    EnableWindow(GetDlgItem(dialog, IDC_ALERT_TEST), valid && !settings.webhookUrl.empty());
}

void fill(HWND dialog) {
    const AlertSettings& s = alertsInForce();
    SetDlgItemTextA(dialog, IDC_ALERT_WEBHOOK, s.webhookUrl.c_str());
    SendDlgItemMessageA(dialog, IDC_ALERT_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("json"));
    SendDlgItemMessageA(dialog, IDC_ALERT_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("text"));
    SendDlgItemMessageA(dialog, IDC_ALERT_FORMAT, CB_SETCURSEL, s.format == AlertFormat::text ? 1 : 0, 0);
    SetDlgItemTextA(dialog, IDC_ALERT_BEAT, s.heartbeatUrl.c_str());
    SetDlgItemInt(dialog, IDC_ALERT_BEAT_MINUTES, static_cast<UINT>(s.heartbeatMinutes), FALSE);
    const std::string band = std::to_string(s.bandTenths / 10) + "," + std::to_string(s.bandTenths % 10);
    SetDlgItemTextA(dialog, IDC_ALERT_BAND, band.c_str());
    SetDlgItemInt(dialog, IDC_ALERT_MINUTES, static_cast<UINT>(s.deviationMinutes), FALSE);
    checkFields(dialog);
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        openDialog = dialog;
        fill(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ALERT_SAVE: {
            AlertSettings settings;
            std::string wrong;
            if (!readFields(dialog, settings, wrong)) return TRUE;
            changeAlerts(settings);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDC_ALERT_CANCEL:
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        case IDC_ALERT_TEST: {
            AlertSettings settings;
            std::string wrong;
            if (!readFields(dialog, settings, wrong) || settings.webhookUrl.empty()) return TRUE;
            SetDlgItemTextA(dialog, IDC_ALERT_STATUS, "Проверка: отправлено, ждём ответа…");
            sendTestAlert(settings);
            return TRUE;
        }
        default:
            if (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == CBN_SELCHANGE) checkFields(dialog);
            return TRUE;
        }
    case WM_DESTROY: openDialog = nullptr; return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void runAlertsDialog(HWND owner) {
    if (openDialog) {
        SetForegroundWindow(openDialog);
        return;
    }
    DialogBoxParamA(appInstance(), "AlertsDialog", owner, dialogProc, 0);
}

void showAlertTestAnswer(const char* text) {
    if (!openDialog) return;
    const std::string line = std::string("Проверка: ") + text;
    SetDlgItemTextA(openDialog, IDC_ALERT_STATUS, line.c_str());
}
