#include "components/AutoRun.h"

#include <exception>
#include <vector>

#include "core/Exception.h"
#include "core/StartupEntry.h"
#include "platform/AppInfo.h"
#include "platform/Handles.h"

namespace cs {

namespace {

constexpr char kRunListsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";
constexpr char kStartupApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

bool IsServiceKind(TabfAutoExecKind kind) noexcept {
    return kind == TabfAutoExecKind::aekServiceRun || kind == TabfAutoExecKind::aekServiceRunOnce;
}

// The service lists exist only on Windows 95, 98 and Me; on NT a value there would never run.
bool SkippedOnThisSystem(TabfAutoExecKind kind) {
    return IsServiceKind(kind) && IsNtFamily();
}

// A 32-bit program on 64-bit Windows sees the machine's keys under Wow6432Node unless it asks
// for the native view. The machine's lists are written in the native view, as 64-bit programs
// and Task Manager see them; the flag means nothing on 32-bit Windows, and the user's lists
// have one view only.
REGSAM NativeView(HKEY root) noexcept {
    return root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0;
}

LSTATUS OpenKey(HKEY root, const std::string& path, REGSAM access, unique_hkey& key, REGSAM view) {
    return ::RegOpenKeyExA(root, path.c_str(), 0, access | view, key.put());
}

LSTATUS OpenKey(HKEY root, const std::string& path, REGSAM access, unique_hkey& key) {
    return OpenKey(root, path, access, key, NativeView(root));
}

// A value's type and bytes, or nothing when the key or the value is not there or not readable.
struct RegistryValue {
    DWORD Type = REG_NONE;
    std::string Data;
};

std::optional<RegistryValue> ReadValue(HKEY root, const std::string& path, const std::string& name,
                                       REGSAM view) {
    unique_hkey key;
    if (OpenKey(root, path, KEY_QUERY_VALUE, key, view) != ERROR_SUCCESS) return std::nullopt;
    RegistryValue value;
    DWORD size = 0;
    // The value may grow between the two calls; ask again until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        value.Data.resize(size);
        const LSTATUS status =
            ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.Type,
                               size ? reinterpret_cast<BYTE*>(value.Data.data()) : nullptr, &size);
        if (status == ERROR_SUCCESS && value.Data.size() >= size) {
            value.Data.resize(size);
            return value;
        }
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::string& path,
                                       const std::string& name) {
    return ReadValue(root, path, name, NativeView(root));
}

bool DeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    unique_hkey key;
    if (OpenKey(root, path, KEY_SET_VALUE, key, view) != ERROR_SUCCESS) return false;
    const LSTATUS status = ::RegDeleteValueA(key.get(), name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// Where a list's entries may be: the list in its native view and, for a machine-wide list, the
// 32-bit view where earlier 32-bit versions of the program wrote, which Windows starts too.
// Explorer keeps the marks of the 32-bit view's Run entries in StartupApproved\Run32.
struct ListPlace {
    AutoExecKey List;
    REGSAM View;
    std::optional<AutoExecKey> Marks;
};

// Only 64-bit Windows keeps a 32-bit view apart; elsewhere both views are the one key, whose
// marks are in StartupApproved\Run alone.
bool HasSeparate32BitView() {
    static const bool separate = [] {
        if (sizeof(void*) == 8) return true;
        BOOL wow64 = FALSE;
        return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
    }();
    return separate;
}

std::vector<ListPlace> PlacesOf(TabfAutoExecKind kind) {
    const AutoExecKey list = GetAutoExecKey(kind);
    const auto marks = GetStartupApprovedKey(kind);
    std::vector<ListPlace> places{{list, NativeView(list.Root), marks}};
    if (list.Root == HKEY_LOCAL_MACHINE && HasSeparate32BitView()) {
        auto marks32 = marks;
        if (marks32) marks32->Path += "32";
        places.push_back({list, KEY_WOW64_32KEY, marks32});
    }
    return places;
}

// Our value in that place: of our name, a text, and starting our file.
bool HoldsOwnValue(const ListPlace& place, const std::string& valueName,
                   const std::string& fileName) {
    const auto value = ReadValue(place.List.Root, place.List.Path, valueName, place.View);
    return value && (value->Type == REG_SZ || value->Type == REG_EXPAND_SZ) &&
           RunEntryStarts(value->Data, fileName);
}

bool MarkedOff(const ListPlace& place, const std::string& valueName) {
    if (!place.Marks) return false;
    const auto mark = ReadValue(place.Marks->Root, place.Marks->Path, valueName);
    return mark && mark->Type == REG_BINARY && StartupApprovedDisabled(mark->Data);
}

}  // namespace

AutoExecKey GetAutoExecKey(TabfAutoExecKind kind) {
    const auto key = [](HKEY root, const char* list) {
        return AutoExecKey{root, std::string(kRunListsKey) + list};
    };
    switch (kind) {
        case TabfAutoExecKind::aekMachineRun: return key(HKEY_LOCAL_MACHINE, "Run");
        case TabfAutoExecKind::aekMachineRunOnce: return key(HKEY_LOCAL_MACHINE, "RunOnce");
        case TabfAutoExecKind::aekUserRun: return key(HKEY_CURRENT_USER, "Run");
        case TabfAutoExecKind::aekUserRunOnce: return key(HKEY_CURRENT_USER, "RunOnce");
        case TabfAutoExecKind::aekServiceRun: return key(HKEY_LOCAL_MACHINE, "RunServices");
        case TabfAutoExecKind::aekServiceRunOnce: return key(HKEY_LOCAL_MACHINE, "RunServicesOnce");
    }
    // A stored byte outside 0..5 names no run list: keep it on the default one.
    return key(HKEY_LOCAL_MACHINE, "Run");
}

std::optional<AutoExecKey> GetStartupApprovedKey(TabfAutoExecKind kind) {
    switch (kind) {
        case TabfAutoExecKind::aekMachineRun:
            return AutoExecKey{HKEY_LOCAL_MACHINE, std::string(kStartupApprovedKey) + "Run"};
        case TabfAutoExecKind::aekUserRun:
            return AutoExecKey{HKEY_CURRENT_USER, std::string(kStartupApprovedKey) + "Run"};
        default: return std::nullopt;
    }
}

std::optional<TabfAutoExecKind> UserStandIn(TabfAutoExecKind kind) {
    switch (kind) {
        case TabfAutoExecKind::aekMachineRun: return TabfAutoExecKind::aekUserRun;
        case TabfAutoExecKind::aekMachineRunOnce: return TabfAutoExecKind::aekUserRunOnce;
        default: return std::nullopt;
    }
}

std::string_view AutoExecValueName(std::string_view fileName) {
    const auto cut = fileName.find_last_of("\\:/");
    return cut == std::string_view::npos ? fileName : fileName.substr(cut + 1);
}

bool IsNtFamily() {
    static const bool nt = [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        return ::GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }();
    return nt;
}

void WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                       const std::string& text) {
    unique_hkey key;
    if (::RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS | NativeView(root), nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        throw ERegistryException("Unable to open the " + keyPath + " key");
    // REG_SZ data carries its terminating zero.
    if (::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException("Unable to write the " + valueName + " value of the " + keyPath +
                                 " key");
}

bool RegisterAutoExec(TabfAutoExecKind kind, const std::string& fileName) {
    if (SkippedOnThisSystem(kind)) return false;
    const AutoExecKey list = GetAutoExecKey(kind);
    try {
        const std::string valueName(AutoExecValueName(fileName));
        // An empty name is the key's default value, which is not ours to write.
        if (valueName.empty()) return false;
        WriteRegistryText(list.Root, list.Path, valueName, fileName);
        return true;
    } catch (const std::exception&) {
        // Typically a user who may not write the machine-wide list: autorun just stays off.
        return false;
    }
}

bool UnregisterAutoExec(TabfAutoExecKind kind, const std::string& fileName) {
    if (SkippedOnThisSystem(kind)) return false;
    const AutoExecKey list = GetAutoExecKey(kind);
    const std::string valueName(AutoExecValueName(fileName));
    // Never written under an empty name (see RegisterAutoExec), so nothing of ours is there.
    if (valueName.empty()) return true;
    unique_hkey key;
    if (OpenKey(list.Root, list.Path, KEY_ALL_ACCESS, key) != ERROR_SUCCESS) return false;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
        ERROR_FILE_NOT_FOUND)
        return true;
    return ::RegDeleteValueA(key.get(), valueName.c_str()) == ERROR_SUCCESS;
}

AutoExecState FindAutoExec(TabfAutoExecKind kind, const std::string& fileName) {
    const std::string valueName(AutoExecValueName(fileName));
    if (SkippedOnThisSystem(kind) || valueName.empty()) return AutoExecState::Missing;
    AutoExecState state = AutoExecState::Missing;
    for (const ListPlace& place : PlacesOf(kind)) {
        if (!HoldsOwnValue(place, valueName, fileName)) continue;
        // One entry that is on is enough for Windows to start the program.
        if (!MarkedOff(place, valueName)) return AutoExecState::Enabled;
        state = AutoExecState::Disabled;
    }
    return state;
}

bool EnableAutoExec(TabfAutoExecKind kind, const std::string& fileName) {
    const auto approved = GetStartupApprovedKey(kind);
    if (!approved) return true;
    const std::string valueName(AutoExecValueName(fileName));
    const auto mark = ReadValue(approved->Root, approved->Path, valueName);
    if (!mark || mark->Type != REG_BINARY || !StartupApprovedDisabled(mark->Data)) return true;
    unique_hkey key;
    if (OpenKey(approved->Root, approved->Path, KEY_SET_VALUE, key) != ERROR_SUCCESS) return false;
    const std::string enabled = StartupApprovedEnabled(mark->Data);
    return ::RegSetValueExA(key.get(), valueName.c_str(), 0, REG_BINARY,
                            reinterpret_cast<const BYTE*>(enabled.data()),
                            static_cast<DWORD>(enabled.size())) == ERROR_SUCCESS;
}

bool RemoveOwnAutoExec(TabfAutoExecKind kind, const std::string& fileName) {
    const std::string valueName(AutoExecValueName(fileName));
    if (SkippedOnThisSystem(kind) || valueName.empty()) return true;
    bool gone = true;
    for (const ListPlace& place : PlacesOf(kind)) {
        // Another copy's value of the same name is left to that copy.
        if (!HoldsOwnValue(place, valueName, fileName)) continue;
        if (!DeleteValue(place.List.Root, place.List.Path, valueName, place.View)) {
            gone = false;
            continue;
        }
        // Explorer's mark went with the entry it belonged to; a mark that cannot go does no harm.
        if (place.Marks)
            DeleteValue(place.Marks->Root, place.Marks->Path, valueName,
                        NativeView(place.Marks->Root));
    }
    return gone;
}

TabfAutoRun::TabfAutoRun(Component* owner) : TabfComponent(owner) {
    if (!Designing()) m_fileName = ExecutablePath();
}

bool TabfAutoRun::AutoRun() const {
    if (FindAutoExec(m_kind, m_fileName) == AutoExecState::Enabled) return true;
    const auto standIn = UserStandIn(m_kind);
    return standIn && FindAutoExec(*standIn, m_fileName) == AutoExecState::Enabled;
}

void TabfAutoRun::SetAutoRun(bool autoRun) {
    if (autoRun == AutoRun()) return;
    if (autoRun)
        ApplyAutoRun();
    else
        RemoveAutoRun();
}

void TabfAutoRun::SetFileName(std::string fileName) {
    if (fileName == m_fileName) return;
    const bool on = AutoRun();
    if (on) RemoveAutoRun();
    m_fileName = std::move(fileName);
    if (on) ApplyAutoRun();
}

void TabfAutoRun::SetKind(TabfAutoExecKind kind) {
    if (kind == m_kind) return;
    const bool on = AutoRun();
    if (on) RemoveAutoRun();
    m_kind = kind;
    if (on) ApplyAutoRun();
}

void TabfAutoRun::RestoreAutoRun() {
    if (Designing()) return;
    const auto standIn = UserStandIn(m_kind);
    if (FindAutoExec(m_kind, m_fileName) != AutoExecState::Missing) return;
    if (standIn && FindAutoExec(*standIn, m_fileName) != AutoExecState::Missing) return;
    if (!RegisterAutoExec(m_kind, m_fileName) && standIn) RegisterAutoExec(*standIn, m_fileName);
}

void TabfAutoRun::ApplyAutoRun() {
    if (Designing()) return;
    const auto standIn = UserStandIn(m_kind);
    if (RegisterAutoExec(m_kind, m_fileName) && EnableAutoExec(m_kind, m_fileName)) {
        // One entry, so that Windows starts the program once.
        if (standIn) RemoveOwnAutoExec(*standIn, m_fileName);
        return;
    }
    // Typically a standard user, who may not write the machine-wide list: the user's own list
    // needs no rights.
    if (standIn && RegisterAutoExec(*standIn, m_fileName)) EnableAutoExec(*standIn, m_fileName);
}

void TabfAutoRun::RemoveAutoRun() {
    if (Designing()) return;
    RemoveOwnAutoExec(m_kind, m_fileName);
    if (const auto standIn = UserStandIn(m_kind)) RemoveOwnAutoExec(*standIn, m_fileName);
}

}  // namespace cs
