#pragma once
// The run lists and Explorer's marks beside them, as tests read and change them with the plain
// registry API, so that a test's setup does not lean on the code it tests.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cs::test {

inline constexpr char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kApprovedPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// Every value of a key: name, then type and raw bytes. Empty when the key is missing.
using KeyValues = std::map<std::string, std::pair<DWORD, std::string>>;
KeyValues ReadKeyValues(HKEY root, const char* path);

// Both run lists and both hives' marks, to compare before and after.
struct RunListsSnapshot {
    KeyValues MachineRun, UserRun, MachineApproved, UserApproved;
    bool operator==(const RunListsSnapshot&) const = default;
};
RunListsSnapshot SnapshotRunLists();

// The text of a REG_SZ value in a run list, or nothing when it is missing or not a text.
std::optional<std::string> RunEntry(HKEY root, const std::string& name);
void PutRunEntry(HKEY root, const std::string& name, const std::string& text);
void PutApprovedMark(HKEY root, const std::string& name, const std::string& bytes);
void DeleteRunEntry(HKEY root, const std::string& name);  // and its mark

// Explorer's mark of an entry switched off in Task Manager (the time it happened follows).
inline const std::string kSwitchedOffMark("\x03\0\0\0\xd4\x0d\x43\x8d\xc8\x3b\xd9\x01", 12);

// Lets everyone only read a key for as long as it lives, as a standard user sees the
// machine-wide run list; the key's own access list comes back afterwards.
class ScopedReadOnlyKey {
public:
    ScopedReadOnlyKey(HKEY root, const char* path);
    ~ScopedReadOnlyKey();
    ScopedReadOnlyKey(const ScopedReadOnlyKey&) = delete;
    ScopedReadOnlyKey& operator=(const ScopedReadOnlyKey&) = delete;
    bool Applied() const { return m_applied; }

private:
    HKEY m_key = nullptr;
    std::vector<BYTE> m_saved;
    bool m_applied = false;
};

}  // namespace cs::test
