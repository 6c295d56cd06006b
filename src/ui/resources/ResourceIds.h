#pragma once
// Names of the program's resources, shared by ClockSync.rc and the code. Only macros: the
// resource compiler reads this file too. The main icon is the resource named "MAINICON".

#define IDB_PING 101
#define IDB_BANNER 102
#define IDB_OK 103
#define IDB_CANCEL 104
#define IDB_DATETIME 105
#define IDB_README 106
#define IDB_WEBSITE 107
#define IDB_ABOUT 108

// Each picture also comes for 150% and 200% displays, its name plus these.
#define IDB_SCALE_150 100
#define IDB_SCALE_200 200
