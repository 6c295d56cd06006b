#pragma once
#include <optional>
#include <string_view>

namespace cs {

// The commands that the installer starts the program with; none of them makes a window of the
// program or reads its settings:
//   /remove-autostart  removes this program's own entries from the run lists that this user
//                      may write (run once with the installer's rights, once as the user);
//   /offer-start       asks whether to start the program now, and starts it on "Yes".
// The exit code when the command line names one of them, nothing otherwise.
std::optional<int> RunSetupCommand(std::string_view commandLine);

}  // namespace cs
