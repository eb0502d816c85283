// Journal helpers.
#include "platform/sim/journal.h"

#include <cstdio>

namespace zelta::sim {

std::string HexBytes(const void* data, std::size_t size) {
    std::string text;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i ? " %02x" : "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

}  // namespace zelta::sim
