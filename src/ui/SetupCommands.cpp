#include "ui/SetupCommands.h"

#include <windows.h>

#include <string>

#include "components/AutoRun.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Seams.h"

namespace cs {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameCommand(std::string_view given, std::string_view command) {
    return given.size() == command.size() &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, given.data(),
                            static_cast<int>(given.size()), command.data(),
                            static_cast<int>(command.size())) == CSTR_EQUAL;
}

int RemoveAutoStart() {
    const std::string program = ExecutablePath();
    const bool machine = RemoveOwnAutoExec(TabfAutoExecKind::aekMachineRun, program);
    const bool user = RemoveOwnAutoExec(TabfAutoExecKind::aekUserRun, program);
    return machine && user ? 0 : 1;
}

int OfferStart() {
    if (ShowMessageBox("Veritan Clock Sync is installed. Start it now?",
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    // A process of its own, so that the installer does not wait for it.
    const std::string commandLine = '"' + ExecutablePath() + '"';
    return Shell().Exec(commandLine.c_str(), SW_SHOWNORMAL) > 31 ? 0 : 1;
}

}  // namespace

std::optional<int> RunSetupCommand(std::string_view commandLine) {
    const std::string_view command = Trimmed(commandLine);
    if (SameCommand(command, "/remove-autostart")) return RemoveAutoStart();
    if (SameCommand(command, "/offer-start")) return OfferStart();
    return std::nullopt;
}

}  // namespace cs
