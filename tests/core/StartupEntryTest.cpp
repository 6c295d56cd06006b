#include "core/StartupEntry.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace cs {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct ApprovedCase {
    const char* Name;
    std::string Value;
    bool Disabled;
    std::string Enabled;  // the value once switched on
};

void PrintTo(const ApprovedCase& c, std::ostream* out) {
    *out << c.Name;
}

class StartupApprovedTest : public ::testing::TestWithParam<ApprovedCase> {};

TEST_P(StartupApprovedTest, TheFirstBytesLowestBitSwitchesTheEntryOff) {
    const ApprovedCase& c = GetParam();
    EXPECT_EQ(StartupApprovedDisabled(c.Value), c.Disabled);
    EXPECT_EQ(StartupApprovedEnabled(c.Value), c.Enabled);
    EXPECT_FALSE(StartupApprovedDisabled(StartupApprovedEnabled(c.Value)));
}

const std::string kOn = Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

INSTANTIATE_TEST_SUITE_P(
    Values, StartupApprovedTest,
    ::testing::Values(ApprovedCase{"On", kOn, false, kOn},
                      ApprovedCase{"OffWithItsTime",
                                   Bytes({3, 0, 0, 0, 0xd4, 0x0d, 0x43, 0x8d, 0xc8, 0x3b, 0xd9, 1}),
                                   true, kOn},
                      // The other pair Windows writes keeps its second bit.
                      ApprovedCase{"SecondKindOn", Bytes({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                                   false, Bytes({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
                      ApprovedCase{"SecondKindOff",
                                   Bytes({7, 0, 0, 0, 0x71, 0xc9, 0x33, 0xae, 0x16, 0xd9, 0xd1, 1}),
                                   true, Bytes({6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
                      ApprovedCase{"ShortAndOff", Bytes({3, 0}), true, kOn},
                      // Bytes beyond the twelve are someone else's business and stay.
                      ApprovedCase{"LongerAndOff",
                                   Bytes({3, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0xAA}), true,
                                   Bytes({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA})}),
    [](const auto& info) { return std::string(info.param.Name); });

struct StartsCase {
    const char* Name;
    std::string Data;
    const char* FileName;
    bool Starts;
};

void PrintTo(const StartsCase& c, std::ostream* out) {
    *out << c.Name;
}

class RunEntryStartsTest : public ::testing::TestWithParam<StartsCase> {};

TEST_P(RunEntryStartsTest, ComparesPathsAsWindowsDoes) {
    EXPECT_EQ(RunEntryStarts(GetParam().Data, GetParam().FileName), GetParam().Starts);
}

constexpr char kProgram[] = "C:\\Program Files\\Clock Sync\\ClockSync.exe";

INSTANTIATE_TEST_SUITE_P(
    Data, RunEntryStartsTest,
    ::testing::Values(
        StartsCase{"Same", kProgram, kProgram, true},
        StartsCase{"OtherCase", "c:\\PROGRAM FILES\\clock sync\\clocksync.EXE", kProgram, true},
        StartsCase{"Quoted", std::string("\"") + kProgram + "\"", kProgram, true},
        StartsCase{"HalfQuoted", std::string("\"") + kProgram, kProgram, false},
        StartsCase{"OtherFolder", "D:\\Tools\\ClockSync.exe", kProgram, false},
        StartsCase{"WithArguments", std::string(kProgram) + " /minimized", kProgram, false},
        StartsCase{"EmptyData", "", kProgram, false}, StartsCase{"EmptyFileName", "", "", false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
