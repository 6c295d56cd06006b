// Whatever a caller writes into the service's pipe, the request parser either refuses it or gives
// a request that encodes back to exactly those bytes and that the gate handles without fetching
// for an index outside the list. Anything else is a crash.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/ServiceProtocol.h"
#include "core/ServiceRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::optional<cs::ServiceRequest> request = cs::ParseRequest(bytes);
    if (request) {
        if (size != cs::kRequestSize) std::abort();
        const auto encoded = cs::EncodeRequest(*request);
        for (std::size_t i = 0; i < size; ++i) {
            if (encoded[i] != data[i]) std::abort();
        }
    }
    // The answer parser reads the same kind of bytes on the program's side.
    if (const auto answer = cs::ParseAnswer(bytes)) {
        if (cs::ParseAnswer(cs::EncodeAnswer(*answer)) != answer) std::abort();
    }

    constexpr std::size_t kServers = 11;
    cs::ServiceGate gate;
    const cs::Admission admission = gate.Admit(request, kServers, 0);
    if (admission.Kind == cs::Admission::Action::Fetch) {
        if (!request || admission.ServerIndex >= kServers) std::abort();
    } else if (admission.Answer.Outcome != cs::ServiceOutcome::BadRequest) {
        std::abort();
    }
    return 0;
}
