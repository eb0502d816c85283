// SecretBuffer: a password in transit. It owns a bounded buffer, wipes it with writes the compiler
// cannot remove whenever the contents are replaced or the buffer is left, and never copies
// itself silently (moves hand the bytes over; copies must be asked for).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace zelta {

// Overwrites n bytes with zeros through a volatile pointer, so the store survives optimisation.
void SecureZero(void* data, std::size_t n);

class SecretBuffer {
public:
    // capacity: the most characters (bytes of UTF-8) the secret may hold, not counting a terminator.
    explicit SecretBuffer(std::size_t capacity = 256);
    ~SecretBuffer();
    SecretBuffer(SecretBuffer&& other) noexcept;
    SecretBuffer& operator=(SecretBuffer&& other) noexcept;
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    // An explicit copy, for the rare place that must keep the secret twice.
    SecretBuffer Clone() const;

    // Replaces the contents. Returns false, and leaves the buffer empty, when text is longer than
    // the capacity: a cut password is a wrong password.
    bool Assign(std::string_view text);
    void Clear();

    std::string_view View() const { return {m_bytes.data(), m_size}; }
    std::size_t Size() const { return m_size; }
    std::size_t Capacity() const { return m_bytes.size(); }
    bool Empty() const { return m_size == 0; }

    friend bool operator==(const SecretBuffer& a, const SecretBuffer& b) { return a.View() == b.View(); }

private:
    std::vector<char> m_bytes;  // sized once, never reallocated, so no stale copy is left behind
    std::size_t m_size = 0;
};

}  // namespace zelta
