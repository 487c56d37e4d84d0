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
