#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "components/AbfComponent.h"

namespace cs {

// Which run list: the order is the stored one-byte value.
enum class TabfAutoExecKind : std::uint8_t {
    aekMachineRun,
    aekMachineRunOnce,
    aekUserRun,
    aekUserRunOnce,
    aekServiceRun,      // honoured outside the NT family only
    aekServiceRunOnce,  // honoured outside the NT family only
};

struct AutoExecKey {
    HKEY Root;
    std::string Path;
};

// The root key and key path of a run list.
AutoExecKey GetAutoExecKey(TabfAutoExecKind kind);

// Where Explorer records that the user switched an entry of that list off (Task Manager's
// Startup page, Settings > Apps > Startup); only the two Run lists have such a record.
std::optional<AutoExecKey> GetStartupApprovedKey(TabfAutoExecKind kind);

// The per-user list that stands in for a machine-wide one that this user may not write.
std::optional<TabfAutoExecKind> UserStandIn(TabfAutoExecKind kind);

// The run-list value's name: the part of fileName after its last "\", ":" or "/".
std::string_view AutoExecValueName(std::string_view fileName);

// True on Windows NT and its successors (platform id asked once per process).
bool IsNtFamily();

// Writes the REG_SZ value <name of fileName> = fileName into the run list; false when it could
// not be written. Never throws for a registry failure.
bool RegisterAutoExec(TabfAutoExecKind kind, const std::string& fileName);

// Deletes that value; true when it is gone afterwards or was never there, false when the run
// list cannot be opened for all access or the deletion fails.
bool UnregisterAutoExec(TabfAutoExecKind kind, const std::string& fileName);

enum class AutoExecState {
    Missing,   // no value of that name that starts fileName
    Enabled,   // there, and Windows starts it
    Disabled,  // there, but switched off in Explorer
};

// What the run list holds for fileName; a machine-wide list is looked at in both registry views,
// where earlier 32-bit versions wrote into the 32-bit one. A value of the same name that starts
// another file is another copy's, and counts as missing.
AutoExecState FindAutoExec(TabfAutoExecKind kind, const std::string& fileName);

// Clears Explorer's "switched off" mark of fileName's value, leaving every other entry's alone;
// true when the value is not marked off afterwards.
bool EnableAutoExec(TabfAutoExecKind kind, const std::string& fileName);

// Deletes fileName's value from the run list (both views of a machine-wide one) and Explorer's
// mark for it, but only while the value starts fileName; true when nothing of it is left there.
bool RemoveOwnAutoExec(TabfAutoExecKind kind, const std::string& fileName);

// Writes one REG_SZ value, creating the key when it is missing. Throws ERegistryException.
void WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                       const std::string& text);

// Keeps FileName in a run list so that Windows starts it. AutoRun is what the registry really
// holds: an entry that Windows will start, in the list of Kind or, for a machine-wide list that
// this user may not write, in the user's own. The registry changes only when a property is set
// to a new value and through RestoreAutoRun; making and loading the component, and destroying
// it, leave it alone.
class TabfAutoRun : public TabfComponent {
public:
    explicit TabfAutoRun(Component* owner);

    // Reads the registry each time.
    bool AutoRun() const;
    // On: writes the value into Kind's list, or where that cannot be written into the user's
    // list, and clears Explorer's mark if the user had switched it off there. Off: removes the
    // value from both lists. Either way, AutoRun afterwards tells whether it worked.
    void SetAutoRun(bool autoRun);
    const std::string& FileName() const noexcept { return m_fileName; }
    void SetFileName(std::string fileName);
    TabfAutoExecKind Kind() const noexcept { return m_kind; }
    void SetKind(TabfAutoExecKind kind);

    // For a program that remembers the user asked for autostart: writes the value again when
    // neither list holds it. An entry that the user switched off in Explorer stays off.
    void RestoreAutoRun();

protected:
    // Switches the entry on, as SetAutoRun(true) describes.
    virtual void ApplyAutoRun();
    // Removes the entry from both lists.
    virtual void RemoveAutoRun();

private:
    std::string m_fileName;
    TabfAutoExecKind m_kind = TabfAutoExecKind::aekMachineRun;
};

}  // namespace cs
