// Random registry data under the program's value names, read back through ReadSetting. Every read
// must give a text or fail with one of the settings store's own errors; nothing else may come
// out. Runs with a fixed seed, and with CLOCKSYNC_FUZZ_SEED as a second seed when that is set (a
// failure prints the seed and round, so a run can be repeated).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/Exception.h"
#include "settings/Settings.h"

namespace cs {
namespace {

constexpr const char* kKeyPath = "SOFTWARE\\Quendra\\Proxy";
constexpr int kRounds = 3000;
constexpr const char* kDefault = "<default>";
constexpr const char* kSettingNames[] = {"UseProxy",  "Address",   "Port",           "LastPing",
                                         "ipAddress", "AutoStart", "StartMinimized", "AutoPing"};

std::vector<unsigned> Seeds() {
    std::vector<unsigned> seeds{20071203u};
    if (const char* text = std::getenv("CLOCKSYNC_FUZZ_SEED"); text && *text)
        seeds.push_back(static_cast<unsigned>(std::strtoul(text, nullptr, 0)));
    return seeds;
}

// One value as another program might have left it: written through the ANSI or the Unicode
// registry functions, any type, any bytes.
struct Stored {
    std::string Name;
    DWORD Type = REG_SZ;
    std::string Bytes;
    bool Wide = false;  // written with RegSetValueExW (Bytes are the raw UTF-16 data)
    bool Absent = false;
};

std::string Describe(const Stored& value) {
    std::string text = "name '" + value.Name.substr(0, 40) + "' type " +
                       std::to_string(value.Type) + (value.Wide ? " wide" : " ansi") + ", " +
                       std::to_string(value.Bytes.size()) + " bytes";
    if (value.Absent) text = "absent value '" + value.Name + "'";
    return text;
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    Stored Next() {
        Stored value;
        value.Name = Name();
        value.Absent = Chance(20);
        value.Wide = Chance(4);
        static constexpr DWORD kTypes[] = {REG_SZ,        REG_SZ,     REG_SZ,    REG_EXPAND_SZ,
                                           REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ,
                                           REG_QWORD,     REG_NONE,   REG_LINK,  0x1234u};
        value.Type = kTypes[Below(std::size(kTypes))];
        value.Bytes = Bytes();
        return value;
    }

    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    bool Chance(int oneIn) { return Below(static_cast<std::size_t>(oneIn)) == 0; }

private:
    std::string Name() {
        if (!Chance(5)) return kSettingNames[Below(std::size(kSettingNames))];
        // Names of any printable characters, backslashes included; now and then a long one.
        const std::size_t length = Chance(10) ? 200 + Below(2000) : 1 + Below(30);
        std::string name;
        for (std::size_t i = 0; i < length; ++i) name += static_cast<char>(' ' + Below(95));
        return name;
    }

    std::string Bytes() {
        std::size_t length = 0;
        switch (Below(10)) {
            case 0: length = 0; break;
            case 1: length = 1 + Below(3); break;
            case 2: length = Chance(8) ? 65536 + Below(1 << 20) : 1024 + Below(8192); break;
            default: length = 1 + Below(64); break;
        }
        std::string bytes(length, '\0');
        const bool textLike = Chance(2);
        for (char& c : bytes) {
            c = textLike ? static_cast<char>(' ' + Below(95)) : static_cast<char>(Below(256));
            if (textLike && Chance(40)) c = '\0';  // embedded NULs
        }
        // With or without a terminator.
        if (!bytes.empty() && Chance(2)) bytes.back() = '\0';
        return bytes;
    }

    std::mt19937 m_random;
};

LONG Write(const Stored& value) {
    HKEY key = nullptr;
    LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    if (value.Absent) {
        ::RegDeleteValueA(key, value.Name.c_str());
    } else if (value.Wide) {
        const std::wstring name(value.Name.begin(), value.Name.end());
        result = ::RegSetValueExW(key, name.c_str(), 0, value.Type,
                                  reinterpret_cast<const BYTE*>(value.Bytes.data()),
                                  static_cast<DWORD>(value.Bytes.size()));
    } else {
        result = ::RegSetValueExA(key, value.Name.c_str(), 0, value.Type,
                                  reinterpret_cast<const BYTE*>(value.Bytes.data()),
                                  static_cast<DWORD>(value.Bytes.size()));
    }
    ::RegCloseKey(key);
    return result;
}

void Store(const Stored& value) {
    ASSERT_EQ(Write(value), ERROR_SUCCESS) << Describe(value);
}

// What the registry hands an ANSI reader for the stored data: the system's own conversion of
// Unicode text, the bytes as they are for every other type.
std::string AnsiData(const Stored& value) {
    const bool text = value.Type == REG_SZ || value.Type == REG_EXPAND_SZ;
    if (!text || !value.Wide) return value.Bytes;
    const std::wstring wide(reinterpret_cast<const wchar_t*>(value.Bytes.data()),
                            value.Bytes.size() / sizeof(wchar_t));
    if (wide.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                          nullptr, nullptr);
    return ansi;
}

// The text a correct read gives, or the error it fails with.
struct Outcome {
    std::string Text;
    std::string Error;
};

Outcome Read(const std::string& name) {
    try {
        return {ReadSetting(kSettingsKey, name, kDefault), {}};
    } catch (const Exception& e) {
        return {{}, e.Message()};
    }
}

Outcome Expected(const Stored& value) {
    if (value.Absent || value.Bytes.empty()) return {kDefault, {}};
    if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ)
        return {{}, "Invalid data type for '" + value.Name + "'"};
    const std::string data = AnsiData(value);
    const std::string text = data.substr(0, data.find('\0'));
    return {text.empty() ? kDefault : text, {}};
}

class SettingsFuzz : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override { DeleteKey(); }
    void TearDown() override { DeleteKey(); }
    static void DeleteKey() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Quendra"); }
};

TEST_P(SettingsFuzz, EveryReadIsTheStoredTextTheDefaultOrAnError) {
    Generator generator(GetParam());
    for (int round = 0; round < kRounds && !HasFailure(); ++round) {
        const Stored value = generator.Next();
        Store(value);
        const Outcome outcome = Read(value.Name);
        const Outcome expected = Expected(value);
        const std::string where = "seed " + std::to_string(GetParam()) + " round " +
                                  std::to_string(round) + ": " + Describe(value);
        if (value.Wide && value.Bytes.size() % 2 != 0 && outcome.Error.empty()) {
            // Half a UTF-16 unit at the end: the registry may or may not hand out its last byte.
            // Either way the text has no NUL and is what the whole units say, or more.
            EXPECT_EQ(outcome.Text.find('\0'), std::string::npos) << where;
            EXPECT_EQ(outcome.Text.rfind(expected.Text, 0), 0u) << where;
            continue;
        }
        EXPECT_EQ(outcome.Error, expected.Error) << where;
        EXPECT_EQ(outcome.Text, expected.Text) << where;
    }
}

// Another program rewrites the value all the time, with other lengths and types, while the
// program reads it: the size asked for first may be out of date when the data is read. Each read
// is still one of the stored values' outcomes, or the read error when the value kept changing.
TEST_P(SettingsFuzz, ValueChangingDuringTheReadGivesOneOfItsOutcomes) {
    Generator generator(GetParam());
    std::vector<Stored> values;
    std::vector<Outcome> allowed{{{}, "Failed to get data for 'Address'"}};
    for (const std::size_t length : {0u, 1u, 7u, 300u, 5000u, 70000u}) {
        Stored value{"Address", REG_SZ, std::string(length, static_cast<char>('a' + length % 26))};
        values.push_back(value);
        allowed.push_back(Expected(value));
    }
    values.push_back({"Address", REG_BINARY, "binary"});
    allowed.push_back(Expected(values.back()));
    values.push_back({"Address", REG_EXPAND_SZ, std::string("%TEMP%\\a\0b", 10)});
    allowed.push_back(Expected(values.back()));
    values.push_back({"Address", REG_SZ, "", false, true});  // deleted
    allowed.push_back(Expected(values.back()));

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        Generator pick(GetParam() + 1);
        // No test assertions on this thread: a failed write only shows as a missing outcome.
        while (!stop) Write(values[pick.Below(values.size())]);
    });
    for (int round = 0; round < kRounds / 3 && !HasFailure(); ++round) {
        const Outcome outcome = Read("Address");
        bool known = false;
        for (const Outcome& a : allowed)
            known = known || (a.Text == outcome.Text && a.Error == outcome.Error);
        EXPECT_TRUE(known) << "round " << round << ": text of " << outcome.Text.size()
                           << " bytes, error \"" << outcome.Error << "\"";
    }
    stop = true;
    writer.join();
}

INSTANTIATE_TEST_SUITE_P(Seeds, SettingsFuzz, ::testing::ValuesIn(Seeds()));

}  // namespace
}  // namespace cs
