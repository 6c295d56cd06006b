#pragma once
// Shared by the synchronization tests: a view standing in for the main window, the settings the
// synchronization writes, and Daytime lines for a given time.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "platform/Handles.h"
#include "settings/Settings.h"
#include "support/Fakes.h"
#include "time/ClockSync.h"

namespace cs::test {

// The main window's part in the synchronization. Changes that matter for the order of steps go
// to log (when given), so they can be interleaved with the system-time fake's calls.
class FakeClockSyncView final : public IClockSyncView {
public:
    explicit FakeClockSyncView(std::vector<std::string>* log = nullptr) : m_log(log) {}

    void SetLastPingText(const std::string& text) override {
        LastPing = text;
        Log("SetLastPingText");
    }
    void SetSystemUtcText(const std::string& text) override { SystemUtc = text; }
    bool DailyTimerEnabled() const override { return Timer2Enabled; }
    void SetDailyTimerEnabled(bool enabled) override {
        // A timer's countdown starts when it goes from disabled to enabled, and only then.
        if (enabled && !Timer2Enabled) Timer2Countdown = 60;
        Timer2Enabled = enabled;
        Log(enabled ? "EnableTimer2" : "DisableTimer2");
    }
    bool AutomaticChecked() const override { return Automatic; }
    void SetAutomaticChecked(bool checked) override { Automatic = checked; }
    void SetTrayAutomaticChecked(bool checked) override { TrayAutomatic = checked; }
    void SetWindowWaitCursor(bool wait) override { WindowCursor.push_back(wait); }
    void SetApplicationWaitCursor(bool wait) override { ApplicationCursor.push_back(wait); }
    void SetTrayTip(const std::string& text) override { TrayTip = text; }
    void ShowTrayBalloon(const std::string& title, const std::string& text) override {
        Balloons.push_back(title + "|" + text);
        Log("ShowTrayBalloon");
    }

    std::optional<std::string> LastPing;  // lblLastPing, when set
    std::string SystemUtc;                // lblSystemUtc
    bool Timer2Enabled = true;
    int Timer2Countdown = 60;  // seconds to Timer2's next tick, while enabled
    bool Automatic = true;
    bool TrayAutomatic = true;
    std::vector<bool> WindowCursor;
    std::vector<bool> ApplicationCursor;
    std::string TrayTip;
    std::vector<std::string> Balloons;  // "title|text"

private:
    void Log(const char* what) {
        if (m_log) m_log->push_back(what);
    }
    std::vector<std::string>* m_log;
};

// The registry values the synchronization writes are removed before and after each test, so
// neither a test nor the prefix's next user sees another's.
class SyncSettingsScope {
public:
    SyncSettingsScope() { Clear(); }
    ~SyncSettingsScope() { Clear(); }
    SyncSettingsScope(const SyncSettingsScope&) = delete;
    SyncSettingsScope& operator=(const SyncSettingsScope&) = delete;

    // The stored text, also when empty; nothing when the value is absent.
    static std::optional<std::string> Raw(const char* name) {
        char data[512] = {};
        DWORD size = sizeof data - 1;
        const std::string path = "SOFTWARE\\" + std::string(kSettingsKey);
        if (::RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data,
                           &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::string(data);
    }

private:
    static void Clear() {
        const std::string path = "SOFTWARE\\" + std::string(kSettingsKey);
        HKEY raw = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &raw) !=
            ERROR_SUCCESS) {
            return;
        }
        const unique_hkey key(raw);
        for (const char* name : {"LastPing", "AutoPing"}) ::RegDeleteValueA(key.get(), name);
    }
};

// The fakes every synchronization test stands the system on, installed for the test's length,
// with the program's sync settings cleared before and after.
class SyncSeams : public ::testing::Test {
protected:
    SyncSettingsScope m_settings;
    FakeSystemTime m_time;
    FakeInternet m_internet;
    FakeMessageBoxes m_boxes;
    ScopedSeam<ISystemTime> m_timeSeam{m_time};
    ScopedSeam<IInternet> m_internetSeam{m_internet};
    ScopedSeam<IMessageBoxes> m_boxesSeam{m_boxes};
};

// A NIST Daytime line for a UTC time, with the line feed real servers start with.
inline std::string NistReply(DateTime utc) {
    const CivilDate d = DecodeDate(utc);
    const TimeOfDay t = DecodeTime(utc);
    char line[80];
    std::snprintf(line, sizeof line,
                  "\n60000 %02d-%02d-%02d %02d:%02d:%02d 00 0 0 50.0 UTC(NIST) *\n", d.Year % 100,
                  d.Month, d.Day, t.Hour, t.Minute, t.Second);
    return line;
}

}  // namespace cs::test
