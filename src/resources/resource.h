// Identifiers shared by quellor.rc and the program's code.
#pragma once

#define IDI_PROGRAM 1500
#define IDB_LOGO 1000

// About dialog
#define IDC_ABOUT_OK 100

// Recording dialog
#define IDC_FILE_START 100
#define IDC_FILE_CANCEL 101
#define IDC_FILE_CHANGE 102
#define IDC_FILE_PATH 103
#define IDC_FILE_INTERVAL 104

// Alerts dialog
#define IDC_ALERT_SAVE 100
#define IDC_ALERT_CANCEL 101
#define IDC_ALERT_TEST 102
#define IDC_ALERT_WEBHOOK 103
#define IDC_ALERT_FORMAT 104
#define IDC_ALERT_BEAT 105
#define IDC_ALERT_BEAT_MINUTES 106
#define IDC_ALERT_BAND 107
#define IDC_ALERT_MINUTES 108
#define IDC_ALERT_STATUS 109
