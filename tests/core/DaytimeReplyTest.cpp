#include "core/DaytimeReply.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/Exception.h"
#include "core/TimeTrust.h"

namespace cs {
namespace {

using namespace std::string_literals;

enum class Outcome { Time, NotALine, Error };

struct ReplyCase {
    const char* Name;
    std::string Reply;
    Outcome Kind;
    int Year, Month, Day, Hour, Minute, Second;
    std::string Error;
    // The server says its own time must not be used (health digit 2 or 3).
    bool Unhealthy = false;
};

ReplyCase Time(const char* name, std::string reply, int y, int mo, int d, int h, int mi, int s) {
    return {name, std::move(reply), Outcome::Time, y, mo, d, h, mi, s, {}};
}
// A line that parses, but whose health digit says it is no usable time.
ReplyCase Unhealthy(const char* name, std::string reply, int y, int mo, int d, int h, int mi,
                    int s) {
    return {name, std::move(reply), Outcome::Time, y, mo, d, h, mi, s, {}, true};
}
ReplyCase NotALine(const char* name, std::string reply) {
    return {name, std::move(reply), Outcome::NotALine, 0, 0, 0, 0, 0, 0, {}};
}
ReplyCase Fails(const char* name, std::string reply, std::string error) {
    return {name, std::move(reply), Outcome::Error, 0, 0, 0, 0, 0, 0, std::move(error)};
}

void PrintTo(const ReplyCase& c, std::ostream* out) {
    *out << c.Name;
}

// A NIST Daytime line with the given fields, as a server sends it after its leading line feed.
std::string Line(const std::string& date, const std::string& time) {
    return "54437 " + date + " " + time + " 00 0 0  50.0 UTC(NIST) *";
}

const std::string kDateError = "Invalid argument to date encode";
const std::string kTimeError = "Invalid argument to time encode";
std::string NotAnInteger(const std::string& field) {
    return "'" + field + "' is not a valid integer value";
}

// 1024 bytes that a broken server might send: no hyphen, high bytes, control characters.
std::string Junk(std::string tail) {
    std::string junk;
    for (int i = 0; junk.size() + tail.size() < 1024; ++i) {
        const char c = static_cast<char>((i * 37 + 11) & 0xFF);
        junk += c == '-' ? '_' : c;
    }
    return junk + tail;
}

class ParseDaytimeReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ParseDaytimeReplyTest, Outcome) {
    const ReplyCase& c = GetParam();
    switch (c.Kind) {
        case Outcome::Time:
            EXPECT_EQ(ParseDaytimeReply(c.Reply), EncodeDate(c.Year, c.Month, c.Day) +
                                                      EncodeTime(c.Hour, c.Minute, c.Second, 0));
            EXPECT_EQ(ReportsUnhealthy(c.Reply), c.Unhealthy);
            break;
        case Outcome::NotALine: EXPECT_EQ(ParseDaytimeReply(c.Reply), 0.0); break;
        case Outcome::Error:
            try {
                const DateTime result = ParseDaytimeReply(c.Reply);
                ADD_FAILURE() << "gave " << result << " instead of failing";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), c.Error);
            }
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseDaytimeReplyTest,
    ::testing::Values(
        // What servers send, and the harmless variations of it.
        Time("LeadingLineFeed", "\n" + Line("07-12-03", "21:38:17") + "\n", 2007, 12, 3, 21, 38,
             17),
        Time("NoLineFeed", Line("07-12-03", "21:38:17"), 2007, 12, 3, 21, 38, 17),
        Time("CrLfAndPrefix", "\r\n\r\n" + Line("07-12-03", "21:38:17") + "\r\n", 2007, 12, 3, 21,
             38, 17),
        Time("LowerCaseLabel", "54437 07-12-03 21:38:17 00 0 0  50.0 utc(nist) *", 2007, 12, 3, 21,
             38, 17),
        Time("MixedCaseLabelBeforeLine", "nIsT! 07-12-03 21:38:17", 2007, 12, 3, 21, 38, 17),
        Time("EightCharactersBeforeHyphen", "NIST1 07-01-02 03:04:05", 2007, 1, 2, 3, 4, 5),
        Time("YearZeroIs2000", Line("00-01-01", "00:00:00"), 2000, 1, 1, 0, 0, 0),
        Time("Year2040", Line("40-12-31", "23:59:59"), 2040, 12, 31, 23, 59, 59),
        Time("LeapDay", Line("08-02-29", "12:00:00"), 2008, 2, 29, 12, 0, 0),
        Time("SignsAndBlanksInFields", Line("+7-+1- 5", " 1:+2: 3"), 2007, 1, 5, 1, 2, 3),
        Time("SecondRunsShort", "NIST1 07-12-03 21:38:1", 2007, 12, 3, 21, 38, 1),
        Time("ZeroByteAfterLine", Line("07-12-03", "21:38:17") + "\0junk"s, 2007, 12, 3, 21, 38,
             17),
        Time("LabelAfterZeroByte", "54437 07-12-03 21:38:17\0 UTC(NIST)"s, 2007, 12, 3, 21, 38, 17),
        Time("LaterHyphensIgnored", Line("07-12-03", "21:38:17") + " -1-2-3", 2007, 12, 3, 21, 38,
             17),

        // The health digit: the parse is the same, only 2 and 3 make the time unusable.
        Time("Health1MayBeOffBy5s", "\n54437 07-12-03 21:38:17 00 0 1  50.0 UTC(NIST) *\n", 2007,
             12, 3, 21, 38, 17),
        Unhealthy("Health2OffByMore", "\n54437 07-12-03 21:38:17 00 0 2  50.0 UTC(NIST) *\n", 2007,
                  12, 3, 21, 38, 17),
        Unhealthy("Health3Failed", "54437 07-12-03 21:38:17 00 0 3  50.0 UTC(NIST) *", 2007, 12, 3,
                  21, 38, 17),
        Time("Health9IsUsed", "54437 07-12-03 21:38:17 00 0 9  50.0 UTC(NIST) *", 2007, 12, 3, 21,
             38, 17),
        Time("LeapDigit3IsNotHealth", "54437 07-12-03 21:38:17 00 3 0  50.0 UTC(NIST) *", 2007, 12,
             3, 21, 38, 17),
        Time("NoHealthField", "NIST1 07-12-03 21:38:17", 2007, 12, 3, 21, 38, 17),

        // Not a usable line: 0.0, nothing shown.
        NotALine("Empty", ""), NotALine("NoLabel", "54437 07-12-03 21:38:17 00 0 0  50.0 UTC *"),
        NotALine("LabelSplitByZeroByte", "54437 07-12-03 21:38:17 NI\0ST"s),
        NotALine("NoHyphen", "NIST 54437 07.12.03 21:38:17"),
        NotALine("SevenCharactersBeforeHyphen", "NIST 07-12-03 21:38:17"),
        NotALine("EarlierHyphenInLabel", "UTC-NIST 54437 07-12-03 21:38:17"),
        NotALine("HyphenFirst", "-NIST 54437 07-12-03 21:38:17"),
        NotALine("Year2041", Line("41-01-01", "00:00:00")),
        NotALine("Year79IsNot1979", Line("79-01-01", "00:00:00")),
        NotALine("Month13", Line("07-13-03", "21:38:17")),
        NotALine("Day32", Line("07-12-32", "21:38:17")),
        NotALine("Hour25", Line("07-12-03", "25:38:17")),
        NotALine("Minute61", Line("07-12-03", "21:61:17")),
        NotALine("Second61", Line("07-12-03", "21:38:61")),
        NotALine("BoundsBeforeDateCheck", Line("07-13-00", "24:60:60")),
        NotALine("JunkWithoutLabel", Junk("")), NotALine("JunkWithLabel", Junk("nist")),

        // Values inside the bounds that form no real date or time.
        Fails("Month0", Line("07-00-03", "21:38:17"), kDateError),
        Fails("Day0", Line("07-12-00", "21:38:17"), kDateError),
        Fails("February30", Line("08-02-30", "21:38:17"), kDateError),
        Fails("February29CommonYear", Line("07-02-29", "21:38:17"), kDateError),
        Fails("April31", Line("07-04-31", "21:38:17"), kDateError),
        Fails("NegativeMonth", Line("07--1-03", "21:38:17"), kDateError),
        Fails("NegativeDay", Line("07-12--3", "21:38:17"), kDateError),
        Fails("DateBeforeTime", Line("07-00-03", "24:00:00"), kDateError),
        Fails("Hour24", Line("07-12-03", "24:00:00"), kTimeError),
        Fails("Minute60", Line("07-12-03", "21:60:17"), kTimeError),
        Fails("LeapSecond", Line("07-12-31", "23:59:60"), kTimeError),
        Fails("NegativeHour", Line("07-12-03", "-1:38:17"), kTimeError),

        // Fields that are not integers: every field is converted before any bound is looked at.
        Fails("EndsAfterHyphen", "NIST1 07-", NotAnInteger("")),
        Fails("EndsAfterMinute", "NIST1 07-12-03 21:38:", NotAnInteger("")),
        Fails("LetterInYear", "NIST1 0x-12-03 21:38:17", NotAnInteger("0x")),
        Fails("TrailingBlankInMonth", Line("07-1 -03", "21:38:17"), NotAnInteger("1 ")),
        Fails("SignWithoutDigit", Line("07-12-03", "21:+ :17"), NotAnInteger("+ ")),
        Fails("BadSecondAfterBadYear", Line("41-12-03", "21:38:xx"), NotAnInteger("xx")),
        Fails("ZeroByteInField", Line("07-1\0-03"s, "21:38:17"), NotAnInteger("1\0"s)),
        Fails("HyphenAtTheEndOfJunk", Junk("NIST 07-"), NotAnInteger("")),
        Fails("HyphenNearTheEndOfJunk", Junk("nist 07-1"), NotAnInteger("")),
        Fails("JunkYear", Junk("NIST-"), NotAnInteger("ST"))),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cs
