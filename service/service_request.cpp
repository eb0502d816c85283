// Parsing the helper service's requests.
#include "service/service_request.h"

#include <cstdio>
#include <string_view>

#include "platform/ipv4.h"

namespace zelta {
namespace {

bool Is(std::span<const std::uint8_t> bytes, std::uint8_t kind) {
    return bytes.size() == 2 && bytes[0] == kind && bytes[1] == 0;
}

}  // namespace

std::optional<ServiceRequest> ParseRequest(std::span<const std::uint8_t> bytes, std::string& refusal) {
    refusal.clear();
    if (bytes.empty()) {
        refusal = "an empty request";
        return std::nullopt;
    }
    if (bytes.size() > kLargestRequest) {
        refusal = "longer than any request";
        return std::nullopt;
    }
    switch (bytes[0]) {
        case request_kind::kStartDialer:
        case request_kind::kRestartServices:
            if (Is(bytes, bytes[0])) return ServiceRequest{bytes[0], {}};
            refusal = "a malformed request " + std::to_string(bytes[0]);
            return std::nullopt;
        case request_kind::kPrepareIpsec: {
            const std::string_view address(reinterpret_cast<const char*>(bytes.data()) + 1, bytes.size() - 1);
            // inet_addr, which the policy and the routes are made with, reads "010" as octal 8.
            if (address.size() <= kLongestAddress && Ipv4::ParseCanonical(address)) {
                return ServiceRequest{request_kind::kPrepareIpsec, std::string(address)};
            }
            refusal = "a server address that is not a dotted quad";
            return std::nullopt;
        }
        default:
            refusal = "an unknown request kind " + std::to_string(bytes[0]);
            return std::nullopt;
    }
}

std::string RequestBytesForLog(std::span<const std::uint8_t> bytes, std::size_t limit) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += hex;
    }
    if (bytes.size() > limit) text += " ...";
    return text;
}

}  // namespace zelta
