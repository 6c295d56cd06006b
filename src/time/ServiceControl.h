#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// The clock service in the service control manager: registering and removing it (run elevated,
// from the installer), and, for the program, whether it is there and starting it on demand.
namespace cs {

// The service's executable beside the program's.
std::string ServiceExecutablePath();

// path, resolved to the file it really names, lies inside one of the machine's Program Files
// folders: a place standard users cannot write, so nobody but an administrator can replace the
// program that runs as LOCAL SERVICE.
bool IsUnderProgramFiles(const std::string& path);
// The same path, resolved, as the service is registered under (C:\...); empty when it is not
// under Program Files.
std::string ProgramFilesPath(const std::string& path);

// Registers (or updates) the service: LOCAL SERVICE, started on demand, holding the right to set
// the clock and nothing else, startable by interactive users. ERROR_SUCCESS, or why not;
// ERROR_BAD_PATHNAME when the service's executable is not under Program Files.
DWORD InstallClockService(const std::string& executable);

// Stops and removes the service; ERROR_SUCCESS also when it was not installed.
DWORD UninstallClockService();

// The service is registered.
bool ClockServiceInstalled();

// Starts the service unless it runs, and waits at most waitMs until it does. Its process id, the
// one whose pipe the program may trust, or nothing.
std::optional<DWORD> RunningClockService(DWORD waitMs);

// Handles "/install-service" and "/uninstall-service" on the command line: the process's exit
// code when it was one of them, nothing otherwise. Touches no window, setting or autostart entry.
std::optional<int> RunServiceCommand(std::string_view commandLine);

}  // namespace cs
