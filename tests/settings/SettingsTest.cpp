#include "settings/Settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Exception.h"

namespace cs {
namespace {

using namespace std::string_literals;

constexpr const char* kKeyPath = "SOFTWARE\\Quendra\\Proxy";

struct StoredValue {
    DWORD Type = REG_NONE;
    std::string Data;
};

// Runs against the registry of the test's own Wine prefix; every test starts without the key.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteKey(); }
    void TearDown() override { DeleteKey(); }

    static void DeleteKey() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra"); }

    static bool KeyExists() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }

    // Stores raw data the way another program (or a user with regedit) might.
    static void Store(const char* name, DWORD type, const std::string& data) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                   static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }

    static StoredValue Stored(const char* name) {
        StoredValue value;
        std::vector<char> data(4096);
        auto size = static_cast<DWORD>(data.size());
        EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER, kKeyPath, name, RRF_RT_ANY | RRF_NOEXPAND,
                                 &value.Type, data.data(), &size),
                  ERROR_SUCCESS)
            << name;
        value.Data.assign(data.data(), size);
        return value;
    }

    static void ExpectFailure(const std::function<void()>& call, const std::string& message) {
        try {
            call();
            ADD_FAILURE() << "no failure; expected \"" << message << "\"";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
};

TEST_F(SettingsTest, FirstReadCreatesTheEmptyKeyAndGivesTheDefault) {
    ASSERT_FALSE(KeyExists());
    EXPECT_EQ(ReadSetting(kSettingsKey, "LastPing", "Never"), "Never");
    ASSERT_TRUE(KeyExists());
    DWORD values = 99;
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr);
    ::RegCloseKey(key);
    EXPECT_EQ(values, 0u);
}

TEST_F(SettingsTest, EmptyTextIsStoredAsOneNulAndReadsAsTheDefault) {
    WriteSetting(kSettingsKey, "LastPing", "12/3/2007 9:38:17 PM");
    WriteSetting(kSettingsKey, "LastPing", "");
    const StoredValue stored = Stored("LastPing");
    EXPECT_EQ(stored.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.Data, "\0"s);
    EXPECT_EQ(ReadSetting(kSettingsKey, "LastPing", "Never"), "Never");
    EXPECT_EQ(ReadSetting(kSettingsKey, "UseProxy", ""), "");
}

// Texts come back exactly as written, and are stored as the text and one NUL.
class SettingsRoundTrip : public SettingsTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SettingsRoundTrip, StoredAsRegSzWithOneNul) {
    WriteSetting(kSettingsKey, "Address", GetParam());
    const StoredValue stored = Stored("Address");
    EXPECT_EQ(stored.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.Data, GetParam() + '\0');
    EXPECT_EQ(ReadSetting(kSettingsKey, "Address", "default"), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Texts, SettingsRoundTrip,
                         ::testing::Values("True", "1", " ", "  proxy host  ", " 8080 ",
                                           "\\back\\slash\\", "caf\xe9 na\xefve",
                                           std::string(2000, 'x')));

// Values put there by someone else.
struct ForeignCase {
    const char* Name;
    DWORD Type;
    std::string Data;
    std::string Read;  // what ReadSetting gives with the default "default"
};

void PrintTo(const ForeignCase& c, std::ostream* out) {
    *out << c.Name;
}

class SettingsForeignValue : public SettingsTest,
                             public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(SettingsForeignValue, Reads) {
    Store("Port", GetParam().Type, GetParam().Data);
    EXPECT_EQ(ReadSetting(kSettingsKey, "Port", "default"), GetParam().Read);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsForeignValue,
    ::testing::Values(ForeignCase{"ExpandSzRaw", REG_EXPAND_SZ, "%SystemRoot%\\x\0"s,
                                  "%SystemRoot%\\x"},
                      ForeignCase{"TextAfterNulDropped", REG_SZ, "8080\0junk\0"s, "8080"},
                      ForeignCase{"NoTerminatingNul", REG_SZ, "8080"s, "8080"},
                      ForeignCase{"ZeroBytes", REG_SZ, ""s, "default"},
                      ForeignCase{"NulFirst", REG_SZ, "\0hidden\0"s, "default"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SettingsTest, OtherTypesFailWithTheValueName) {
    const DWORD number = 1;
    Store("AutoPing", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4));
    ExpectFailure([] { ReadSetting(kSettingsKey, "AutoPing", ""); },
                  "Invalid data type for 'AutoPing'");
    Store("Port", REG_BINARY, "8080"s);
    ExpectFailure([] { ReadSetting(kSettingsKey, "Port", ""); }, "Invalid data type for 'Port'");
    Store("Address", REG_MULTI_SZ, "a\0b\0\0"s);
    ExpectFailure([] { ReadSetting(kSettingsKey, "Address", ""); },
                  "Invalid data type for 'Address'");
}

TEST_F(SettingsTest, KeyThatCannotBeCreatedFailsWithItsPath) {
    // The registry refuses key names of 255 characters or more.
    const std::string name = "Quendra\\" + std::string(300, 'k');
    const std::string message = "Failed to create key \\SOFTWARE\\" + name + "\\";
    ExpectFailure([&] { ReadSetting(name, "Port", ""); }, message);
    ExpectFailure([&] { WriteSetting(name, "Port", "8080"); }, message);
}

TEST_F(SettingsTest, ValueThatCannotBeSetFailsWithItsName) {
    // Value names are limited to 16383 characters.
    const std::string name(16384, 'v');
    ExpectFailure([&] { WriteSetting(kSettingsKey, name, "x"); },
                  "Failed to set data for '" + name + "'");
}

}  // namespace
}  // namespace cs
