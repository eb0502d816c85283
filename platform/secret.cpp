// SecretBuffer: wiping password storage shared by both worlds.
#include "platform/secret.h"

#include <algorithm>

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

}  // namespace zelta
