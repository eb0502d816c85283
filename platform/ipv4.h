// Ipv4: an address as the platform gives it, first octet first (network byte order).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelta {

struct Ipv4 {
    std::array<std::uint8_t, 4> octets{};

    // The 32-bit value as it sits in memory on Windows (network order read on a little-endian host).
    std::uint32_t NetworkOrderValue() const;
    static Ipv4 FromNetworkOrderValue(std::uint32_t value);

    // "a.b.c.d".
    std::string ToString() const;

    // Strict dotted quad: four decimal numbers 0..255, nothing else.
    static std::optional<Ipv4> Parse(std::string_view text);
    // As Parse, and without leading zeros, so that no reader can take a part for octal: the text
    // is exactly what ToString writes.
    static std::optional<Ipv4> ParseCanonical(std::string_view text);

    friend bool operator==(const Ipv4&, const Ipv4&) = default;
};

}  // namespace zelta
