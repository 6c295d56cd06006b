// The autorun component against Wine's real registry (a throw-away prefix per run, so the
// machine-wide run list is writable). Every value a test writes is removed again.
#include "components/AutoRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "platform/AppInfo.h"
#include "platform/Handles.h"

namespace cs {
namespace {

using Kind = TabfAutoExecKind;

constexpr char kExeName[] = "components_tests.exe";
constexpr char kMachineRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUserRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kScratchKey[] = "Software\\ClockSyncAutoRunTest";

struct StoredValue {
    DWORD Type;
    std::string Data;  // the raw bytes, terminating zero included
};

std::optional<StoredValue> ReadValue(HKEY root, const std::string& path, const std::string& name) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    return StoredValue{type, data};
}

// The text of a REG_SZ value, or nullopt when it is missing or not a zero-terminated string.
std::optional<std::string> ReadText(HKEY root, const std::string& path, const std::string& name) {
    const auto value = ReadValue(root, path, name);
    if (!value || value->Type != REG_SZ || value->Data.empty() || value->Data.back() != '\0')
        return std::nullopt;
    return value->Data.substr(0, value->Data.size() - 1);
}

// Written with the plain API, so that a test's setup does not lean on the code it tests.
void PutText(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
}

void DeleteValue(HKEY root, const std::string& path, const std::string& name) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(key.get(), name.c_str());
}

// Lets everyone only read a key for as long as it lives, as a standard user sees the
// machine-wide run list; the key's own access list comes back afterwards.
class ScopedReadOnlyKey {
public:
    ScopedReadOnlyKey(HKEY root, const char* path) {
        if (::RegOpenKeyExA(root, path, 0, READ_CONTROL | WRITE_DAC, m_key.put()) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        ::RegGetKeySecurity(m_key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        m_saved.resize(size);
        if (::RegGetKeySecurity(m_key.get(), DACL_SECURITY_INFORMATION, m_saved.data(), &size) !=
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
        m_applied = ::RegSetKeySecurity(m_key.get(), DACL_SECURITY_INFORMATION, &descriptor) ==
                    ERROR_SUCCESS;
    }
    ~ScopedReadOnlyKey() {
        // The handle was opened with WRITE_DAC before the list changed, so it may restore it.
        if (m_applied) ::RegSetKeySecurity(m_key.get(), DACL_SECURITY_INFORMATION, m_saved.data());
    }
    ScopedReadOnlyKey(const ScopedReadOnlyKey&) = delete;
    ScopedReadOnlyKey& operator=(const ScopedReadOnlyKey&) = delete;
    bool Applied() const { return m_applied; }

private:
    unique_hkey m_key;
    std::vector<BYTE> m_saved;
    bool m_applied = false;
};

struct RunList {
    Kind ListKind;
    HKEY Root;
    const char* Path;
    bool HonouredOnNt;
};

// Root and key path of every run list, spelled out rather than taken from the code.
const RunList kRunLists[] = {
    {Kind::aekMachineRun, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     true},
    {Kind::aekMachineRunOnce, HKEY_LOCAL_MACHINE,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true},
    {Kind::aekUserRun, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     true},
    {Kind::aekUserRunOnce, HKEY_CURRENT_USER,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true},
    {Kind::aekServiceRun, HKEY_LOCAL_MACHINE,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", false},
    {Kind::aekServiceRunOnce, HKEY_LOCAL_MACHINE,
     "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce", false},
};

void PrintTo(const RunList& list, std::ostream* os) {
    *os << list.Path;
}

// Value names that tests write into the run lists; all are removed before and after each test.
const char* const kTestValueNames[] = {kExeName, "clock.exe", "clock sync.exe",
                                       "clock",  "old.exe",   "new.exe"};

class AutoRunTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::string(FileNameOf(ExecutablePath())), kExeName);
        CleanUp();
    }
    void TearDown() override { CleanUp(); }

    static void CleanUp() {
        for (const RunList& list : kRunLists)
            for (const char* name : kTestValueNames) DeleteValue(list.Root, list.Path, name);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
    }

    static std::optional<std::string> MachineRun(const std::string& name = kExeName) {
        return ReadText(HKEY_LOCAL_MACHINE, kMachineRun, name);
    }
    static std::optional<std::string> UserRun(const std::string& name = kExeName) {
        return ReadText(HKEY_CURRENT_USER, kUserRun, name);
    }

    // The owner that a form would be; it destroys what is placed on it.
    Component m_form{nullptr};
};

TEST_F(AutoRunTest, ConstructionTouchesNothingAndLoadedDeletesALeftoverValue) {
    // Another installation of the program left its value behind.
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "D:\\Elsewhere\\components_tests.exe");

    auto* autoRun = new TabfAutoRun(&m_form);
    EXPECT_FALSE(autoRun->AutoRun());
    EXPECT_EQ(autoRun->Kind(), Kind::aekMachineRun);
    EXPECT_EQ(autoRun->FileName(), ExecutablePath());
    EXPECT_EQ(MachineRun(), "D:\\Elsewhere\\components_tests.exe");

    autoRun->Loaded();
    EXPECT_EQ(MachineRun(), std::nullopt);
}

TEST_F(AutoRunTest, AutoRunWritesTheFullPathUnderTheExecutablesNameAndDeletesItAgain) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->Loaded();

    autoRun->SetAutoRun(true);
    const auto value = ReadValue(HKEY_LOCAL_MACHINE, kMachineRun, kExeName);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, ExecutablePath() + '\0');  // no quotes, no arguments
    EXPECT_EQ(UserRun(), std::nullopt);

    autoRun->SetAutoRun(false);
    EXPECT_EQ(MachineRun(), std::nullopt);
}

TEST_F(AutoRunTest, SettersActWhileAFormLoadsAndLoadedWritesAgain) {
    auto* autoRun = new TabfAutoRun(&m_form);
    m_form.BeginLoading();
    autoRun->BeginLoading();
    autoRun->SetAutoRun(true);  // the form applies its stored AutoRun = true
    EXPECT_EQ(MachineRun(), ExecutablePath());

    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "changed meanwhile");
    autoRun->Loaded();
    EXPECT_EQ(MachineRun(), ExecutablePath());
}

// Setting a property to the value it has must leave the registry alone: the stored data is
// changed behind the component's back and has to survive the assignment.
struct SameValueCase {
    const char* Name;
    bool AutoRunBefore;
    void (*Assign)(TabfAutoRun&);
};

void PrintTo(const SameValueCase& c, std::ostream* os) {
    *os << c.Name;
}

class AutoRunSameValueTest : public AutoRunTest,
                             public testing::WithParamInterface<SameValueCase> {};

TEST_P(AutoRunSameValueTest, TouchesNothing) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->Loaded();
    autoRun->SetAutoRun(GetParam().AutoRunBefore);
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "behind its back");

    GetParam().Assign(*autoRun);

    EXPECT_EQ(MachineRun(), "behind its back");
    EXPECT_EQ(autoRun->AutoRun(), GetParam().AutoRunBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, AutoRunSameValueTest,
    testing::Values(
        SameValueCase{"AutoRunOn", true, [](TabfAutoRun& a) { a.SetAutoRun(true); }},
        SameValueCase{"KindOn", true, [](TabfAutoRun& a) { a.SetKind(Kind::aekMachineRun); }},
        SameValueCase{"FileNameOn", true,
                      [](TabfAutoRun& a) { a.SetFileName(std::string(a.FileName())); }},
        SameValueCase{"AutoRunOff", false, [](TabfAutoRun& a) { a.SetAutoRun(false); }},
        SameValueCase{"KindOff", false, [](TabfAutoRun& a) { a.SetKind(Kind::aekMachineRun); }},
        SameValueCase{"FileNameOff", false,
                      [](TabfAutoRun& a) { a.SetFileName(std::string(a.FileName())); }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AutoRunTest, ChangingKindMovesTheValueFromTheMachineToTheUserList) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->Loaded();
    autoRun->SetAutoRun(true);
    ASSERT_EQ(MachineRun(), ExecutablePath());

    autoRun->SetKind(Kind::aekUserRun);
    EXPECT_EQ(MachineRun(), std::nullopt);
    EXPECT_EQ(UserRun(), ExecutablePath());

    autoRun->SetAutoRun(false);
    EXPECT_EQ(UserRun(), std::nullopt);
}

TEST_F(AutoRunTest, ChangingFileNameRenamesTheValue) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->Loaded();
    autoRun->SetFileName("C:\\Tools\\old.exe");
    autoRun->SetAutoRun(true);
    ASSERT_EQ(MachineRun("old.exe"), "C:\\Tools\\old.exe");

    autoRun->SetFileName("C:\\Tools\\new.exe");
    EXPECT_EQ(MachineRun("old.exe"), std::nullopt);
    EXPECT_EQ(MachineRun("new.exe"), "C:\\Tools\\new.exe");
}

TEST_F(AutoRunTest, TwoCopiesUnderOneFileNameShareTheValue) {
    auto* first = new TabfAutoRun(&m_form);
    first->SetFileName("C:\\A\\clock.exe");
    first->SetAutoRun(true);
    first->Loaded();
    auto* second = new TabfAutoRun(&m_form);
    second->SetFileName("C:\\B\\clock.exe");
    second->SetAutoRun(true);
    second->Loaded();
    EXPECT_EQ(MachineRun("clock.exe"), "C:\\B\\clock.exe");  // the last writer wins

    // The first copy starts again with autorun off and removes the other's value.
    auto* restart = new TabfAutoRun(&m_form);
    restart->SetFileName("C:\\A\\clock.exe");
    restart->Loaded();
    EXPECT_EQ(MachineRun("clock.exe"), std::nullopt);
}

class AutoRunKindTest : public AutoRunTest, public testing::WithParamInterface<RunList> {};

TEST_P(AutoRunKindTest, WritesAndDeletesInItsListOrNeverTouchesAServiceListOnNt) {
    const RunList& list = GetParam();
    const std::string file = "C:\\Tools\\clock.exe";
    ASSERT_TRUE(IsNtFamily());  // Wine is an NT-family system

    if (list.HonouredOnNt) {
        EXPECT_TRUE(RegisterAutoExec(list.ListKind, file));
        EXPECT_EQ(ReadText(list.Root, list.Path, "clock.exe"), file);
        EXPECT_TRUE(UnregisterAutoExec(list.ListKind, file));
        EXPECT_EQ(ReadText(list.Root, list.Path, "clock.exe"), std::nullopt);
        EXPECT_TRUE(UnregisterAutoExec(list.ListKind, file));  // already gone counts as gone
    } else {
        PutText(list.Root, list.Path, "clock.exe", "left alone");
        EXPECT_FALSE(RegisterAutoExec(list.ListKind, file));
        EXPECT_FALSE(UnregisterAutoExec(list.ListKind, file));

        auto* autoRun = new TabfAutoRun(&m_form);
        autoRun->SetFileName(file);
        autoRun->SetKind(list.ListKind);
        autoRun->Loaded();
        autoRun->SetAutoRun(true);
        autoRun->SetAutoRun(false);
        EXPECT_EQ(ReadText(list.Root, list.Path, "clock.exe"), "left alone");
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, AutoRunKindTest, testing::ValuesIn(kRunLists),
                         [](const auto& info) {
                             return "Kind" + std::to_string(static_cast<int>(info.param.ListKind));
                         });

TEST_F(AutoRunTest, AMachineListThatMayOnlyBeReadIsSwallowedSilently) {
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "another installation's");
    {
        ScopedReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kMachineRun);
        ASSERT_TRUE(readOnly.Applied());

        auto* autoRun = new TabfAutoRun(&m_form);
        EXPECT_NO_THROW(autoRun->Loaded());
        EXPECT_NO_THROW(autoRun->SetAutoRun(true));
        EXPECT_TRUE(autoRun->AutoRun());  // the menu's check mark still follows it
        EXPECT_EQ(MachineRun(), "another installation's");

        EXPECT_FALSE(RegisterAutoExec(Kind::aekMachineRun, ExecutablePath()));
        EXPECT_FALSE(UnregisterAutoExec(Kind::aekMachineRun, ExecutablePath()));
        try {
            WriteRegistryText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "x");
            ADD_FAILURE() << "no ERegistryException";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(),
                      "Unable to open the Software\\Microsoft\\Windows\\CurrentVersion\\Run key");
        }

        EXPECT_NO_THROW(autoRun->SetAutoRun(false));
        EXPECT_FALSE(autoRun->AutoRun());
        EXPECT_EQ(MachineRun(), "another installation's");
    }
    // With the list writable again the same component works.
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->Loaded();
    EXPECT_EQ(MachineRun(), std::nullopt);
}

TEST_F(AutoRunTest, WriteRegistryTextCreatesMissingKeys) {
    const std::string path = std::string(kScratchKey) + "\\Deeper\\Still";
    WriteRegistryText(HKEY_CURRENT_USER, path, "Text", "C:\\Tools\\clock.exe");
    const auto value = ReadValue(HKEY_CURRENT_USER, path, "Text");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, std::string("C:\\Tools\\clock.exe") + '\0');
}

struct ValueNameCase {
    const char* FileName;
    const char* ValueName;
};

void PrintTo(const ValueNameCase& c, std::ostream* os) {
    *os << c.FileName;
}

class AutoRunValueNameTest : public AutoRunTest,
                             public testing::WithParamInterface<ValueNameCase> {};

TEST_P(AutoRunValueNameTest, IsThePartAfterTheLastSeparatorAndHoldsTheWholeFileName) {
    const std::string file = GetParam().FileName;
    EXPECT_EQ(AutoExecValueName(file), GetParam().ValueName);

    ASSERT_TRUE(RegisterAutoExec(Kind::aekUserRun, file));
    EXPECT_EQ(UserRun(GetParam().ValueName), file);
    EXPECT_TRUE(UnregisterAutoExec(Kind::aekUserRun, file));
    EXPECT_EQ(UserRun(GetParam().ValueName), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(FileNames, AutoRunValueNameTest,
                         testing::Values(ValueNameCase{"C:\\Tools\\clock.exe", "clock.exe"},
                                         ValueNameCase{"C:clock.exe", "clock.exe"},
                                         ValueNameCase{"C:/Tools/clock.exe", "clock.exe"},
                                         ValueNameCase{"C:\\Tools/sub\\clock.exe", "clock.exe"},
                                         ValueNameCase{"C:\\Tools\\sub/clock.exe", "clock.exe"},
                                         ValueNameCase{"\\\\server\\share\\clock.exe", "clock.exe"},
                                         ValueNameCase{"clock.exe", "clock.exe"},
                                         ValueNameCase{"D:\\Tools\\clock", "clock"},
                                         ValueNameCase{
                                             "C:\\Program Files\\Clock Sync\\clock sync.exe",
                                             "clock sync.exe"}));

TEST_F(AutoRunTest, AFileNameEndingInASeparatorNeverTouchesTheListsDefaultValue) {
    // An empty value name would be the key's unnamed default value, which belongs to no one entry.
    PutText(HKEY_CURRENT_USER, kUserRun, "", "somebody's default");
    EXPECT_EQ(AutoExecValueName("C:\\Tools\\"), "");
    EXPECT_FALSE(RegisterAutoExec(Kind::aekUserRun, "C:\\Tools\\"));
    EXPECT_TRUE(UnregisterAutoExec(Kind::aekUserRun, "C:\\Tools\\"));
    EXPECT_EQ(UserRun(""), "somebody's default");
    DeleteValue(HKEY_CURRENT_USER, kUserRun, "");
}

// A component that keeps a pointer to another and drops it when told the other is gone.
class Referrer : public Component {
public:
    Referrer(Component* owner, TabfAutoRun* target) : Component(owner), Target(target) {
        FreeNotification(target);
    }
    TabfAutoRun* Target;
    std::vector<Component*> Removed;

protected:
    void Notification(Component* component, Operation operation) override {
        Component::Notification(component, operation);
        if (operation == Operation::Remove) {
            Removed.push_back(component);
            if (component == Target) Target = nullptr;
        }
    }
};

TEST_F(AutoRunTest, DestroyingItTellsItsReferrersAndLeavesTheRegistryAlone) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->SetName("abfAutoRun1");
    autoRun->Loaded();
    autoRun->SetAutoRun(true);
    auto* referrer = new Referrer(&m_form, autoRun);
    ASSERT_EQ(m_form.FindComponent("abfAutoRun1"), autoRun);

    delete autoRun;
    EXPECT_EQ(referrer->Target, nullptr);
    EXPECT_THAT(referrer->Removed, testing::ElementsAre(autoRun));
    EXPECT_EQ(m_form.FindComponent("abfAutoRun1"), nullptr);
    EXPECT_THAT(m_form.Components(), testing::ElementsAre(referrer));
    EXPECT_EQ(MachineRun(), ExecutablePath());
}

}  // namespace
}  // namespace cs
