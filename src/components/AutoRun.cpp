#include "components/AutoRun.h"

#include <exception>

#include "core/Exception.h"
#include "platform/AppInfo.h"
#include "platform/Handles.h"

namespace cs {

namespace {

constexpr char kRunListsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";

bool IsServiceKind(TabfAutoExecKind kind) noexcept {
    return kind == TabfAutoExecKind::aekServiceRun || kind == TabfAutoExecKind::aekServiceRunOnce;
}

// The service lists exist only on Windows 95, 98 and Me; on NT a value there would never run.
bool SkippedOnThisSystem(TabfAutoExecKind kind) {
    return IsServiceKind(kind) && IsNtFamily();
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
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
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
    if (::RegOpenKeyExA(list.Root, list.Path.c_str(), 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS)
        return false;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
        ERROR_FILE_NOT_FOUND)
        return true;
    return ::RegDeleteValueA(key.get(), valueName.c_str()) == ERROR_SUCCESS;
}

TabfAutoRun::TabfAutoRun(Component* owner) : TabfComponent(owner) {
    if (!Designing()) m_fileName = ExecutablePath();
}

void TabfAutoRun::SetAutoRun(bool autoRun) {
    if (autoRun == m_autoRun) return;
    RemoveAutoRun();  // under the old settings
    m_autoRun = autoRun;
    ApplyAutoRun();
}

void TabfAutoRun::SetFileName(std::string fileName) {
    if (fileName == m_fileName) return;
    RemoveAutoRun();
    m_fileName = std::move(fileName);
    ApplyAutoRun();
}

void TabfAutoRun::SetKind(TabfAutoExecKind kind) {
    if (kind == m_kind) return;
    RemoveAutoRun();
    m_kind = kind;
    ApplyAutoRun();
}

void TabfAutoRun::Loaded() {
    TabfComponent::Loaded();
    ApplyAutoRun();
}

void TabfAutoRun::ApplyAutoRun() {
    if (Designing()) return;
    RemoveAutoRun();
    if (m_autoRun) RegisterAutoExec(m_kind, m_fileName);
}

void TabfAutoRun::RemoveAutoRun() {
    if (Designing()) return;
    UnregisterAutoExec(m_kind, m_fileName);
}

}  // namespace cs
