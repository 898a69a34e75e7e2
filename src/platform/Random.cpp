#include "platform/Random.h"

#include <sodium.h>

#include <cstring>
#include <stdexcept>

namespace quorlix {

namespace {
constexpr std::size_t kValuesPerRefill = 1024; // 8 KiB of keystream per refill
constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
} // namespace

SecureRandom::SecureRandom()
{
    if (sodium_init() < 0)
        throw std::runtime_error("The secure random generator could not be started.");
    randombytes_buf(m_key, sizeof m_key);
    m_buffer.reserve(kValuesPerRefill);
}

SecureRandom::~SecureRandom() { sodium_memzero(m_key, sizeof m_key); }

void SecureRandom::refill()
{
    // A fresh nonce per block keeps the stream from ever repeating for one key.
    std::uint64_t raw[kValuesPerRefill];
    unsigned char nonce[crypto_stream_chacha20_NONCEBYTES] = {};
    static_assert(sizeof nonce == sizeof m_nonce);
    std::memcpy(nonce, &m_nonce, sizeof m_nonce);
    ++m_nonce;
    crypto_stream_chacha20(reinterpret_cast<unsigned char*>(raw), sizeof raw, nonce, m_key);
    m_buffer.resize(kValuesPerRefill);
    for (std::size_t i = 0; i < kValuesPerRefill; ++i)
        m_buffer[i] = static_cast<double>(raw[i] >> 11) * kTwoToMinus53;
    sodium_memzero(raw, sizeof raw);
    m_pos = 0;
}

} // namespace quorlix
