// SecretBuffer: a password in transit. It owns a bounded buffer, wipes it with writes the compiler
// cannot remove whenever the contents are replaced or the buffer is left, and never copies
// itself silently (moves hand the bytes over; copies must be asked for).
#pragma once

#include <cstddef>
#include <string>
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

// Replaces `out` with the UTF-8 of `utf16`, cut to the whole characters that fit its capacity. The
// conversion goes through a buffer that is wiped before it is given back.
void AssignUtf16(SecretBuffer& out, std::u16string_view utf16);

// Replaces `out` with `utf8`, cut to the whole characters that fit its capacity.
void AssignWhole(SecretBuffer& out, std::string_view utf8);

// A secret as UTF-16, for the wide calls that take one: sized once, wiped when it goes.
class SecretUtf16 {
public:
    explicit SecretUtf16(const SecretBuffer& secret);
    ~SecretUtf16();
    SecretUtf16(const SecretUtf16&) = delete;
    SecretUtf16& operator=(const SecretUtf16&) = delete;

    std::u16string_view View() const { return {m_units.data(), m_size}; }
    const char16_t* Terminated() const { return m_units.data(); }  // with a zero after the text

private:
    std::vector<char16_t> m_units;
    std::size_t m_size = 0;
};

}  // namespace zelta
