// Ipv4 helpers shared by both worlds.
#include "platform/ipv4.h"

#include <cstdio>

namespace zelta {

std::uint32_t Ipv4::NetworkOrderValue() const {
    return static_cast<std::uint32_t>(octets[0]) | (static_cast<std::uint32_t>(octets[1]) << 8) |
           (static_cast<std::uint32_t>(octets[2]) << 16) | (static_cast<std::uint32_t>(octets[3]) << 24);
}

Ipv4 Ipv4::FromNetworkOrderValue(std::uint32_t value) {
    return Ipv4{{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

std::string Ipv4::ToString() const {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

std::optional<Ipv4> Ipv4::Parse(std::string_view text) {
    Ipv4 address;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255) return std::nullopt;
        address.octets[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return address;
}

std::optional<Ipv4> Ipv4::ParseCanonical(std::string_view text) {
    const auto address = Parse(text);
    if (!address || address->ToString() != text) return std::nullopt;
    return address;
}

}  // namespace zelta
