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
#include "support/RunLists.h"

namespace cs {
namespace {

using test::ScopedReadOnlyKey;
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

TEST_F(AutoRunTest, MakingAndLoadingTheComponentLeaveBothListsAsTheyWere) {
    // Another installation's value, and this program's own in the user's list.
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "D:\\Elsewhere\\components_tests.exe");
    PutText(HKEY_CURRENT_USER, kUserRun, kExeName, ExecutablePath());

    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->BeginLoading();
    autoRun->Loaded();
    EXPECT_EQ(autoRun->Kind(), Kind::aekMachineRun);
    EXPECT_EQ(autoRun->FileName(), ExecutablePath());
    EXPECT_TRUE(autoRun->AutoRun());
    EXPECT_EQ(MachineRun(), "D:\\Elsewhere\\components_tests.exe");
    EXPECT_EQ(UserRun(), ExecutablePath());
}

TEST_F(AutoRunTest, OnWritesTheFullPathIntoTheMachineListAndOffDeletesItAgain) {
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->SetAutoRun(true);
    const auto value = ReadValue(HKEY_LOCAL_MACHINE, kMachineRun, kExeName);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, ExecutablePath() + '\0');  // no quotes, no arguments
    EXPECT_EQ(UserRun(), std::nullopt);
    EXPECT_TRUE(autoRun->AutoRun());

    autoRun->SetAutoRun(false);
    EXPECT_EQ(MachineRun(), std::nullopt);
    EXPECT_FALSE(autoRun->AutoRun());
}

TEST_F(AutoRunTest, AMachineEntryThisUserMayNotRemoveStillCounts) {
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, ExecutablePath());
    ScopedReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kMachineRun);
    ASSERT_TRUE(readOnly.Applied());
    auto* autoRun = new TabfAutoRun(&m_form);
    ASSERT_TRUE(autoRun->AutoRun());

    EXPECT_NO_THROW(autoRun->SetAutoRun(false));
    EXPECT_TRUE(autoRun->AutoRun());  // Windows will still start it: the mark must say so
    EXPECT_EQ(MachineRun(), ExecutablePath());

    EXPECT_FALSE(RegisterAutoExec(Kind::aekMachineRun, ExecutablePath()));
    EXPECT_FALSE(UnregisterAutoExec(Kind::aekMachineRun, ExecutablePath()));
    try {
        WriteRegistryText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, "x");
        ADD_FAILURE() << "no ERegistryException";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(),
                  "Unable to open the Software\\Microsoft\\Windows\\CurrentVersion\\Run key");
    }
}

// Explorer's record of what the user switched off, beside each Run list.
constexpr char kApproved[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const std::string kOn("\x02\0\0\0\0\0\0\0\0\0\0\0", 12);
const std::string kOff("\x03\0\0\0\xd4\x0d\x43\x8d\xc8\x3b\xd9\x01", 12);

void PutMark(HKEY root, const std::string& name, const std::string& bytes) {
    unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExA(root, kApproved, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key.get(), name.c_str(), 0, REG_BINARY,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

std::optional<std::string> Mark(HKEY root, const std::string& name) {
    const auto value = ReadValue(root, kApproved, name);
    if (!value || value->Type != REG_BINARY) return std::nullopt;
    return value->Data;
}

struct ApprovedCase {
    const char* Name;
    HKEY EntryRoot;  // where the program's entry is
    HKEY MarkRoot;   // where a mark for it is
    std::string Bytes;
    bool Checked;  // what AutoRun says before the user switches it on
};

void PrintTo(const ApprovedCase& c, std::ostream* os) {
    *os << c.Name;
}

class AutoRunApprovedTest : public AutoRunTest, public testing::WithParamInterface<ApprovedCase> {
protected:
    void TearDown() override {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (const char* name : {kExeName, "other.exe"}) DeleteValue(root, kApproved, name);
        AutoRunTest::TearDown();
    }
};

TEST_P(AutoRunApprovedTest, AnEntrySwitchedOffInExplorerIsUncheckedAndOnClearsOnlyItsMark) {
    const ApprovedCase& c = GetParam();
    PutText(c.EntryRoot, kMachineRun, kExeName, ExecutablePath());
    PutMark(c.MarkRoot, kExeName, c.Bytes);
    PutMark(c.MarkRoot, "other.exe", kOff);  // somebody else's, switched off

    auto* autoRun = new TabfAutoRun(&m_form);
    EXPECT_EQ(autoRun->AutoRun(), c.Checked);
    autoRun->SetAutoRun(true);
    EXPECT_TRUE(autoRun->AutoRun());
    EXPECT_EQ(MachineRun(), ExecutablePath());
    EXPECT_EQ(UserRun(), std::nullopt);  // one entry, so that Windows starts it once
    EXPECT_EQ(Mark(c.MarkRoot, "other.exe"), kOff);
    const auto mark = Mark(HKEY_LOCAL_MACHINE, kExeName);
    if (mark) {
        EXPECT_EQ((*mark)[0] & 1, 0);
    }

    autoRun->SetAutoRun(false);
    EXPECT_EQ(MachineRun(), std::nullopt);
    EXPECT_EQ(UserRun(), std::nullopt);
    // The entry's mark went with it; one in the other hive belongs to no entry of this program.
    EXPECT_EQ(Mark(c.EntryRoot, kExeName), std::nullopt);
    if (c.MarkRoot != c.EntryRoot) {
        EXPECT_EQ(Mark(c.MarkRoot, kExeName), c.Bytes);
    }
    EXPECT_EQ(Mark(c.MarkRoot, "other.exe"), kOff);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, AutoRunApprovedTest,
    testing::Values(
        ApprovedCase{"MachineEntryOff", HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, kOff, false},
        ApprovedCase{"MachineEntryOn", HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, kOn, true},
        ApprovedCase{"UserEntryOff", HKEY_CURRENT_USER, HKEY_CURRENT_USER, kOff, false},
        // A mark in the other hive belongs to another entry of that name.
        ApprovedCase{"UserMarkOnMachineEntry", HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, kOff, true}),
    [](const auto& info) { return std::string(info.param.Name); });

// Setting a property to what the lists already hold must leave the registry alone. The value is
// stored in other letters, which still name this program; a rewrite would show.
struct SameValueCase {
    const char* Name;
    bool On;
    void (*Assign)(TabfAutoRun&);
};

void PrintTo(const SameValueCase& c, std::ostream* os) {
    *os << c.Name;
}

class AutoRunSameValueTest : public AutoRunTest,
                             public testing::WithParamInterface<SameValueCase> {};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST_P(AutoRunSameValueTest, TouchesNothing) {
    const std::string stored = Upper(ExecutablePath());
    if (GetParam().On) PutText(HKEY_LOCAL_MACHINE, kMachineRun, kExeName, stored);
    auto* autoRun = new TabfAutoRun(&m_form);

    GetParam().Assign(*autoRun);

    EXPECT_EQ(MachineRun(), GetParam().On ? std::optional(stored) : std::nullopt);
    EXPECT_EQ(UserRun(), std::nullopt);
    EXPECT_EQ(autoRun->AutoRun(), GetParam().On);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, AutoRunSameValueTest,
    testing::Values(SameValueCase{"AutoRunOn", true, [](TabfAutoRun& a) { a.SetAutoRun(true); }},
                    SameValueCase{"FileNameOn", true,
                                  [](TabfAutoRun& a) { a.SetFileName(std::string(a.FileName())); }},
                    SameValueCase{"RestoreOn", true, [](TabfAutoRun& a) { a.RestoreAutoRun(); }},
                    SameValueCase{"AutoRunOff", false, [](TabfAutoRun& a) { a.SetAutoRun(false); }},
                    SameValueCase{"FileNameOff", false,
                                  [](TabfAutoRun& a) { a.SetFileName("C:\\Tools\\clock.exe"); }}),
    [](const auto& info) { return std::string(info.param.Name); });

struct RestoreCase {
    const char* Name;
    bool MachineReadOnly;
    bool SwitchedOff;  // the entry is there, switched off in Explorer
    bool InMachineList, InUserList, Checked;
};

void PrintTo(const RestoreCase& c, std::ostream* os) {
    *os << c.Name;
}

class AutoRunRestoreTest : public AutoRunTest, public testing::WithParamInterface<RestoreCase> {
protected:
    void TearDown() override {
        DeleteValue(HKEY_CURRENT_USER, kApproved, kExeName);
        AutoRunTest::TearDown();
    }
};

TEST_P(AutoRunRestoreTest, PutsAMissingEntryBackAndLeavesASwitchedOffOneOff) {
    const RestoreCase& c = GetParam();
    if (c.SwitchedOff) {
        PutText(HKEY_CURRENT_USER, kUserRun, kExeName, ExecutablePath());
        PutMark(HKEY_CURRENT_USER, kExeName, kOff);
    }
    std::optional<ScopedReadOnlyKey> readOnly;
    if (c.MachineReadOnly) {
        ASSERT_TRUE(readOnly.emplace(HKEY_LOCAL_MACHINE, kMachineRun).Applied());
    }

    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->RestoreAutoRun();
    EXPECT_EQ(MachineRun().has_value(), c.InMachineList);
    EXPECT_EQ(UserRun().has_value(), c.InUserList);
    EXPECT_EQ(autoRun->AutoRun(), c.Checked);
    if (c.SwitchedOff) {
        EXPECT_EQ(Mark(HKEY_CURRENT_USER, kExeName), kOff);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoRunRestoreTest,
    testing::Values(RestoreCase{"Missing", false, false, true, false, true},
                    RestoreCase{"MissingNoRights", true, false, false, true, true},
                    RestoreCase{"SwitchedOff", false, true, false, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

// Where a 32-bit version of the program wrote on 64-bit Windows (on 32-bit Windows and in a
// 32-bit Wine prefix this is the same key as the machine list).
TEST_F(AutoRunTest, AnEntryInThe32BitViewCountsWithItsOwnMarksAndOffRemovesIt) {
    unique_hkey list;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineRun, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, list.put(), nullptr),
              ERROR_SUCCESS);
    const std::string data = ExecutablePath() + '\0';
    ASSERT_EQ(::RegSetValueExA(list.get(), kExeName, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    auto* autoRun = new TabfAutoRun(&m_form);
    EXPECT_TRUE(autoRun->AutoRun());

    autoRun->SetAutoRun(false);
    EXPECT_FALSE(autoRun->AutoRun());
    EXPECT_EQ(::RegQueryValueExA(list.get(), kExeName, nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(AutoRunTest, ChangingKindMovesTheValueFromTheMachineToTheUserList) {
    auto* autoRun = new TabfAutoRun(&m_form);
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
    autoRun->SetFileName("C:\\Tools\\old.exe");
    autoRun->SetAutoRun(true);
    ASSERT_EQ(MachineRun("old.exe"), "C:\\Tools\\old.exe");

    autoRun->SetFileName("C:\\Tools\\new.exe");
    EXPECT_EQ(MachineRun("old.exe"), std::nullopt);
    EXPECT_EQ(MachineRun("new.exe"), "C:\\Tools\\new.exe");
}

TEST_F(AutoRunTest, AnotherCopysValueOfTheSameNameIsNotThisOnes) {
    PutText(HKEY_LOCAL_MACHINE, kMachineRun, "clock.exe", "C:\\B\\clock.exe");
    auto* autoRun = new TabfAutoRun(&m_form);
    autoRun->SetFileName("C:\\A\\clock.exe");
    EXPECT_FALSE(autoRun->AutoRun());
    EXPECT_TRUE(RemoveOwnAutoExec(Kind::aekMachineRun, autoRun->FileName()));
    EXPECT_EQ(MachineRun("clock.exe"), "C:\\B\\clock.exe");

    // Switching on takes the name over: there is only one.
    autoRun->SetAutoRun(true);
    EXPECT_EQ(MachineRun("clock.exe"), "C:\\A\\clock.exe");
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
        autoRun->SetAutoRun(true);
        autoRun->SetAutoRun(false);
        EXPECT_EQ(ReadText(list.Root, list.Path, "clock.exe"), "left alone");
    }
}

INSTANTIATE_TEST_SUITE_P(Lists, AutoRunKindTest, testing::ValuesIn(kRunLists),
                         [](const auto& info) {
                             return "Kind" + std::to_string(static_cast<int>(info.param.ListKind));
                         });

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
