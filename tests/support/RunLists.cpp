#include "support/RunLists.h"

#include "platform/Handles.h"

namespace cs::test {

KeyValues ReadKeyValues(HKEY root, const char* path) {
    KeyValues values;
    unique_hkey key;
    if (::RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    return values;
}

RunListsSnapshot SnapshotRunLists() {
    return {ReadKeyValues(HKEY_LOCAL_MACHINE, kRunPath), ReadKeyValues(HKEY_CURRENT_USER, kRunPath),
            ReadKeyValues(HKEY_LOCAL_MACHINE, kApprovedPath),
            ReadKeyValues(HKEY_CURRENT_USER, kApprovedPath)};
}

std::optional<std::string> RunEntry(HKEY root, const std::string& name) {
    const KeyValues values = ReadKeyValues(root, kRunPath);
    const auto found = values.find(name);
    if (found == values.end() || found->second.first != REG_SZ) return std::nullopt;
    std::string text = found->second.second;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

namespace {

void PutValue(HKEY root, const char* path, const std::string& name, DWORD type,
              const std::string& bytes) {
    unique_hkey key;
    if (::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
        ERROR_SUCCESS)
        ::RegSetValueExA(key.get(), name.c_str(), 0, type,
                         reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
}

void DeleteValue(HKEY root, const char* path, const std::string& name) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(key.get(), name.c_str());
}

}  // namespace

void PutRunEntry(HKEY root, const std::string& name, const std::string& text) {
    PutValue(root, kRunPath, name, REG_SZ, text + '\0');
}

void PutApprovedMark(HKEY root, const std::string& name, const std::string& bytes) {
    PutValue(root, kApprovedPath, name, REG_BINARY, bytes);
}

void DeleteRunEntry(HKEY root, const std::string& name) {
    DeleteValue(root, kRunPath, name);
    DeleteValue(root, kApprovedPath, name);
}

ScopedReadOnlyKey::ScopedReadOnlyKey(HKEY root, const char* path) {
    if (::RegOpenKeyExA(root, path, 0, READ_CONTROL | WRITE_DAC, &m_key) != ERROR_SUCCESS) {
        m_key = nullptr;
        return;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, nullptr, &size);
    m_saved.resize(size);
    if (::RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_saved.data(), &size) !=
        ERROR_SUCCESS)
        return;

    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    ::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize);
    std::vector<BYTE> acl(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + sidSize);
    auto* list = reinterpret_cast<ACL*>(acl.data());
    ::InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION);
    ::AddAccessAllowedAce(list, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE);
    m_applied = ::RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

ScopedReadOnlyKey::~ScopedReadOnlyKey() {
    // The handle was opened with WRITE_DAC before the list changed, so it may restore it.
    if (m_applied) ::RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_saved.data());
    if (m_key) ::RegCloseKey(m_key);
}

}  // namespace cs::test
