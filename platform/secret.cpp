// SecretBuffer: wiping password storage shared by both worlds.
#include "platform/secret.h"

#include <algorithm>

#include "platform/text.h"

namespace zelta {

void SecureZero(void* data, std::size_t n) {
    volatile auto* p = static_cast<volatile unsigned char*>(data);
    while (n--) *p++ = 0;
}

SecretBuffer::SecretBuffer(std::size_t capacity) : m_bytes(capacity) {}

SecretBuffer::~SecretBuffer() { SecureZero(m_bytes.data(), m_bytes.size()); }

SecretBuffer::SecretBuffer(SecretBuffer&& other) noexcept
    : m_bytes(std::move(other.m_bytes)), m_size(other.m_size) {
    other.m_size = 0;
}

SecretBuffer& SecretBuffer::operator=(SecretBuffer&& other) noexcept {
    if (this != &other) {
        SecureZero(m_bytes.data(), m_bytes.size());
        m_bytes = std::move(other.m_bytes);
        m_size = other.m_size;
        other.m_size = 0;
    }
    return *this;
}

SecretBuffer SecretBuffer::Clone() const {
    SecretBuffer copy(m_bytes.size());
    copy.Assign(View());
    return copy;
}

bool SecretBuffer::Assign(std::string_view text) {
    Clear();
    if (text.size() > m_bytes.size()) return false;
    std::copy(text.begin(), text.end(), m_bytes.begin());
    m_size = text.size();
    return true;
}

void SecretBuffer::Clear() {
    SecureZero(m_bytes.data(), m_bytes.size());
    m_size = 0;
}

void AssignWhole(SecretBuffer& out, std::string_view utf8) {
    std::size_t size = utf8.size();
    if (size > out.Capacity()) {
        size = out.Capacity();
        while (size > 0 && (static_cast<unsigned char>(utf8[size]) & 0xC0) == 0x80) --size;  // a whole character
    }
    out.Assign(utf8.substr(0, size));
}

void AssignUtf16(SecretBuffer& out, std::u16string_view utf16) {
    std::vector<char> scratch(3 * utf16.size());
    AssignWhole(out, std::string_view(scratch.data(), Utf16ToUtf8Into(utf16, scratch.data())));
    SecureZero(scratch.data(), scratch.size());
}

SecretUtf16::SecretUtf16(const SecretBuffer& secret) : m_units(secret.Size() + 1, u'\0') {
    m_size = Utf8ToUtf16Into(secret.View(), m_units.data());
}

SecretUtf16::~SecretUtf16() { SecureZero(m_units.data(), m_units.size() * sizeof(char16_t)); }

}  // namespace zelta
