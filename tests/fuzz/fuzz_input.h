// What a fuzz target gets from the fuzzer: a run of bytes, taken apart as the target needs them, and
// the check that ends a run when a property does not hold (libFuzzer keeps the input that did it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace zelta::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_at >= m_size; }
    // 0 once the bytes are used up, so that every input is a complete one.
    std::uint8_t Byte() { return Empty() ? 0 : m_data[m_at++]; }
    std::uint32_t Below(std::uint32_t limit) { return limit == 0 ? 0 : Dword() % limit; }
    bool Flag() { return (Byte() & 1) != 0; }
    std::uint32_t Dword() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    // A length byte (at most `most`), then that many bytes.
    std::vector<std::uint8_t> Bytes(std::size_t most) {
        const std::size_t length = std::min<std::size_t>(Byte(), most);
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < length && !Empty(); ++i) out.push_back(Byte());
        return out;
    }
    std::string Text(std::size_t most) {
        const auto bytes = Bytes(most);
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::uint8_t> Rest() {
        std::vector<std::uint8_t> out(m_data + m_at, m_data + m_size);
        m_at = m_size;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

[[noreturn]] inline void PropertyFailed(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

}  // namespace zelta::fuzz

#define FUZZ_CHECK(property) \
    ((property) ? static_cast<void>(0) : ::zelta::fuzz::PropertyFailed(#property, __FILE__, __LINE__))
