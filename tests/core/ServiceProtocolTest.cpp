#include "core/ServiceProtocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/ServiceRules.h"

namespace cs {
namespace {

constexpr std::int64_t kHour = 3600 * 1000;
// 2025-12-09 02:42:17 UTC in seconds since 1899-12-30.
constexpr std::int64_t kServerSeconds = 46000LL * 86400 + 2 * 3600 + 42 * 60 + 17;

std::vector<std::uint8_t> Bytes(const ServiceRequest& request) {
    const auto encoded = EncodeRequest(request);
    return {encoded.begin(), encoded.end()};
}

struct RequestCase {
    const char* Name;
    std::function<void(std::vector<std::uint8_t>&)> Change;
    bool Valid;
};

void PrintTo(const RequestCase& c, std::ostream* out) {
    *out << c.Name;
}

class RequestParseTest : public ::testing::TestWithParam<RequestCase> {};

// Each case starts from a well-formed confirmed request for 16 hours and changes it.
TEST_P(RequestParseTest, AcceptsOnlyExactlyOneWellFormedRequest) {
    std::vector<std::uint8_t> bytes = Bytes({RequestKind::SynchronizeConfirmed, 7, 16 * kHour});
    GetParam().Change(bytes);
    const std::optional<ServiceRequest> parsed = ParseRequest(bytes);
    ASSERT_EQ(parsed.has_value(), GetParam().Valid);
    if (parsed) EXPECT_EQ(Bytes(*parsed), bytes);
}

void SetDifference(std::vector<std::uint8_t>& bytes, std::int64_t ms) {
    for (int i = 0; i < 8; ++i)
        bytes[8 + i] = static_cast<std::uint8_t>(std::uint64_t(ms) >> (8 * i));
}

INSTANTIATE_TEST_SUITE_P(
    Layout, RequestParseTest,
    ::testing::Values(
        RequestCase{"AsEncoded", [](auto&) {}, true},
        RequestCase{"Plain",
                    [](auto& b) {
                        b = Bytes({RequestKind::Synchronize, 3, 0});
                    },
                    true},
        RequestCase{"HighestIndex", [](auto& b) { b[6] = b[7] = 0xFF; }, true},
        RequestCase{"NegativeDifference", [](auto& b) { SetDifference(b, -16 * kHour); }, true},
        RequestCase{"Empty", [](auto& b) { b.clear(); }, false},
        RequestCase{"Truncated", [](auto& b) { b.pop_back(); }, false},
        RequestCase{"OneByteMore", [](auto& b) { b.push_back(0); }, false},
        RequestCase{"TwoRequests",
                    [](auto& b) {
                        const auto copy = b;
                        b.insert(b.end(), copy.begin(), copy.end());
                    },
                    false},
        RequestCase{"Magic", [](auto& b) { b[0] = 'c'; }, false},
        RequestCase{"Version", [](auto& b) { b[4] = 2; }, false},
        RequestCase{"KindZero", [](auto& b) { b[5] = 0; }, false},
        RequestCase{"KindThree", [](auto& b) { b[5] = 3; }, false},
        RequestCase{"PlainWithDifference", [](auto& b) { b[5] = 1; }, false},
        RequestCase{"ConfirmsAnAllowedStep", [](auto& b) { SetDifference(b, 15 * kHour); }, false},
        RequestCase{"LowestInt64",
                    [](auto& b) { SetDifference(b, std::numeric_limits<std::int64_t>::min()); },
                    false},
        RequestCase{"BeyondACentury", [](auto& b) { SetDifference(b, 101LL * 366 * 24 * kHour); },
                    false}),
    [](const auto& info) { return std::string(info.param.Name); });

struct AnswerCase {
    const char* Name;
    ServiceAnswer Answer;
    bool Valid;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << c.Name;
}

class AnswerParseTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerParseTest, TakesBackOnlyAnswersWithValuesThatFitTheOutcome) {
    const auto bytes = EncodeAnswer(GetParam().Answer);
    const std::optional<ServiceAnswer> parsed = ParseAnswer(bytes);
    ASSERT_EQ(parsed.has_value(), GetParam().Valid);
    if (parsed) EXPECT_EQ(*parsed, GetParam().Answer);
}

using O = ServiceOutcome;
INSTANTIATE_TEST_SUITE_P(
    Values, AnswerParseTest,
    ::testing::Values(
        AnswerCase{"Set", {O::Set, 2, 0, 90000, kServerSeconds}, true},
        AnswerCase{"TooLarge", {O::TooLarge, 10, 0, 16 * kHour, kServerSeconds}, true},
        AnswerCase{"Refused", {O::Refused, 1, 1314, -7000, kServerSeconds}, true},
        AnswerCase{"NoTime", {O::NoTimeObtained, 0, 0, 0, 0}, true},
        AnswerCase{"Busy", {O::Busy, 0, 0, 0, 0}, true},
        AnswerCase{"OutcomeZero", {O(0), 0, 0, 0, 0}, false},
        AnswerCase{"OutcomeEight", {O(8), 0, 0, 0, 0}, false},
        AnswerCase{"TooLargeWithinBound", {O::TooLarge, 0, 0, 15 * kHour, kServerSeconds}, false},
        AnswerCase{"RefusedWithoutError", {O::Refused, 0, 0, 5000, kServerSeconds}, false},
        AnswerCase{"SetWithoutTime", {O::Set, 0, 0, 5000, 0}, false},
        AnswerCase{"TimeAfter2040", {O::Set, 0, 0, 0, 51502LL * 86400}, false},
        AnswerCase{"BusyWithIndex", {O::Busy, 3, 0, 0, 0}, false},
        AnswerCase{"HugeDifference",
                   {O::Set, 0, 0, std::numeric_limits<std::int64_t>::min(), kServerSeconds},
                   false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(AnswerParse, RefusesWrongSizesAndHeaders) {
    const auto good = EncodeAnswer({O::Busy, 0, 0, 0, 0});
    std::vector<std::uint8_t> bytes(good.begin(), good.end());
    EXPECT_FALSE(ParseAnswer(std::span(bytes).first(kAnswerSize - 1)));
    for (const std::size_t at : {0, 4, 12, 15}) {
        auto changed = bytes;
        changed[at] ^= 0x40;
        EXPECT_FALSE(ParseAnswer(changed)) << "byte " << at;
    }
    bytes.push_back(0);
    EXPECT_FALSE(ParseAnswer(bytes));
}

}  // namespace
}  // namespace cs
