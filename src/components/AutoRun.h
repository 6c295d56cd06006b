#pragma once
#include <windows.h>

#include <cstdint>
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

// Writes one REG_SZ value, creating the key when it is missing. Throws ERegistryException.
void WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                       const std::string& text);

// Keeps one value in a run list in line with AutoRun, so that Windows starts FileName. AutoRun is
// the only truth: the registry is never read to learn whether the value is there, only brought in
// line when loading ends and whenever a property changes. Destroying it leaves the registry alone.
class TabfAutoRun : public TabfComponent {
public:
    explicit TabfAutoRun(Component* owner);

    bool AutoRun() const noexcept { return m_autoRun; }
    void SetAutoRun(bool autoRun);
    const std::string& FileName() const noexcept { return m_fileName; }
    void SetFileName(std::string fileName);
    TabfAutoExecKind Kind() const noexcept { return m_kind; }
    void SetKind(TabfAutoExecKind kind);

    void Loaded() override;

protected:
    // Deletes the value under the current settings, then writes it when AutoRun is on.
    virtual void ApplyAutoRun();
    // Deletes the value under the current settings.
    virtual void RemoveAutoRun();

private:
    bool m_autoRun = false;
    std::string m_fileName;
    TabfAutoExecKind m_kind = TabfAutoExecKind::aekMachineRun;
};

}  // namespace cs
