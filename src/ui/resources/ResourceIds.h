#pragma once
// Names of the program's resources, shared by ClockSync.rc and the code. Only macros: the
// resource compiler reads this file too. The main icon is the resource named "MAINICON".

#define IDB_PING 101
#define IDB_BANNER 102
