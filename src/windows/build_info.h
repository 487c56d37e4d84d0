// Texts fixed when the program is built: the maker's web site and the author
// shown in the About dialog. Read by the code and by quellor.rc, so only plain
// macros here. A build may set its own with -D (and the resource compiler's
// -D) on the command line.
#pragma once

// The web site as the help menu shows it: a bare host name.
#ifndef QUELLOR_SITE_HOST
#define QUELLOR_SITE_HOST "thermostat.example.org"
#endif

// The address the menu item opens.
#ifndef QUELLOR_SITE_URL
#define QUELLOR_SITE_URL "https://" QUELLOR_SITE_HOST "/"
#endif

// The "Автор" row of the About dialog.
#ifndef QUELLOR_AUTHOR
#define QUELLOR_AUTHOR "Группа разработки"
#endif
