// Whatever a server sends, the parser gives a DateTime (a whole second from 1980 to 2040, or 0.0)
// or one of its three conversion errors, and the health reader a single digit or nothing, never
// throwing; a line is unhealthy exactly for 2 and 3. Anything else is a crash.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/DaytimeReply.h"
#include "core/Exception.h"
#include "core/TimeTrust.h"

namespace {

constexpr std::string_view kNotAnInteger = "' is not a valid integer value";

bool IsKnownError(const std::string& message) {
    if (message == "Invalid argument to date encode" ||
        message == "Invalid argument to time encode") {
        return true;
    }
    // "'<field>' is not a valid integer value", the field being at most two characters.
    if (message.size() < 1 + kNotAnInteger.size() || message.size() > 3 + kNotAnInteger.size() ||
        message.front() != '\'') {
        return false;
    }
    return std::string_view(message).substr(message.size() - kNotAnInteger.size()) == kNotAnInteger;
}

bool IsAcceptedTime(cs::DateTime value) {
    if (value == 0.0) return true;
    if (!(value >= cs::EncodeDate(1980, 1, 1) && value < cs::EncodeDate(2041, 1, 1))) return false;
    const double seconds = value * cs::kSecondsPerDay;
    return std::fabs(seconds - std::round(seconds)) < 1e-3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    try {
        const std::optional<int> health = cs::DaytimeHealth(reply);
        if (health && (*health < 0 || *health > 9)) std::abort();
        if (cs::ReportsUnhealthy(reply) != (health == 2 || health == 3)) std::abort();
        // The digit belongs to the line the parser reads: there is none without its hyphen.
        if (health && reply.find('-') == std::string_view::npos) std::abort();
    } catch (...) {
        std::abort();
    }
    try {
        if (!IsAcceptedTime(cs::ParseDaytimeReply(reply))) std::abort();
    } catch (const cs::EConvertError& e) {
        if (!IsKnownError(e.Message())) std::abort();
    } catch (...) {
        std::abort();
    }
    return 0;
}
