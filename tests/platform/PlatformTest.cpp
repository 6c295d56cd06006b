#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Exception.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/Locale.h"
#include "support/Fakes.h"

namespace cs {
namespace {

struct TitleCase {
    const char* FileName;
    const char* Title;
};

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, IsTheNameUpToTheFirstDotWithOnlyItsFirstLetterKept) {
    EXPECT_EQ(TitleFromFileName(GetParam().FileName), GetParam().Title);
}

INSTANTIATE_TEST_SUITE_P(Names, ApplicationTitleTest,
                         ::testing::Values(TitleCase{"ClockSync.exe", "Clocksync"},
                                           TitleCase{"CLOCK.SYNC.EXE", "Clock"},
                                           TitleCase{"clockSync.exe", "clocksync"},
                                           TitleCase{"X.exe", "X"}, TitleCase{"NoDot", "Nodot"},
                                           TitleCase{".exe", ""}));

TEST(ApplicationTitle, ComesFromTheRunningExecutable) {
    EXPECT_EQ(FileNameOf("C:\\Tools\\clock.exe"), "clock.exe");
    EXPECT_EQ(FileNameOf("C:clock.exe"), "clock.exe");
    EXPECT_EQ(FileNameOf("clock.exe"), "clock.exe");
    EXPECT_EQ(ApplicationTitle(), "platform_tests");
}

struct ErrorCase {
    const char* Message;
    const char* Shown;
};

class DefaultErrorHandler : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(DefaultErrorHandler, ShowsTheMessageWithTheStopIconAndAFullStopWhenItEndsInALetter) {
    test::FakeMessageBoxes boxes;
    const ScopedSeam<IMessageBoxes> seam(boxes);
    Guarded([] { throw EConvertError(GetParam().Message); });
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, GetParam().Shown);
    EXPECT_EQ(boxes.Shown[0].Caption, ApplicationTitle());
    EXPECT_EQ(boxes.Shown[0].Type & (MB_ICONMASK | MB_TYPEMASK), UINT(MB_ICONSTOP | MB_OK));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DefaultErrorHandler,
    ::testing::Values(
        ErrorCase{"Invalid argument to date encode", "Invalid argument to date encode."},
        ErrorCase{"'' is not a valid integer value", "'' is not a valid integer value."},
        ErrorCase{"Failed to set data for 'Port'", "Failed to set data for 'Port'"},
        ErrorCase{"Already said.", "Already said."}, ErrorCase{"Count: 7", "Count: 7."},
        ErrorCase{"Ends with a dash -", "Ends with a dash -"}, ErrorCase{"", ""}));

TEST(DefaultErrorHandler, TakesAnyFailureAndGoesNoFurther) {
    test::FakeMessageBoxes boxes;
    const ScopedSeam<IMessageBoxes> seam(boxes);
    EXPECT_NO_THROW(Guarded([] { throw std::runtime_error("out of handles"); }));
    EXPECT_NO_THROW(Guarded([] { throw 42; }));
    ASSERT_EQ(boxes.Shown.size(), 2u);
    EXPECT_EQ(boxes.Shown[0].Text, "out of handles.");
}

TEST(ShowMessage, HasNoIconAndOneOkButton) {
    test::FakeMessageBoxes boxes;
    const ScopedSeam<IMessageBoxes> seam(boxes);
    ShowMessage("Hello");
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Type & (MB_ICONMASK | MB_TYPEMASK), UINT(MB_OK));
    EXPECT_EQ(boxes.Shown[0].Caption, ApplicationTitle());
}

TEST(DateTimeToText, LeavesTheTimeOutOnlyAtExactMidnight) {
    // Wine's default user locale is English (United States).
    const DateTime day = EncodeDate(2007, 12, 3);
    EXPECT_EQ(DateTimeToText(day), "12/3/2007");
    EXPECT_EQ(DateTimeToText(day + EncodeTime(21, 38, 17, 0)), "12/3/2007 9:38:17 PM");
    EXPECT_EQ(DateTimeToText(day + EncodeTime(0, 0, 1, 0)), "12/3/2007 12:00:01 AM");
    // Milliseconds alone do not make a time of day worth showing.
    EXPECT_EQ(DateTimeToText(day + EncodeTime(0, 0, 0, 400)), "12/3/2007");
    EXPECT_EQ(DateTimeToText(0.0), "12/30/1899");
}

}  // namespace
}  // namespace cs
