#include "platform/Random.h"

#include "platform/Worker.h"

#include <sodium.h>

#include <cstring>
#include <stdexcept>
#include <system_error>

namespace quorlix
{

namespace
{
constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
// Blocks made on the caller's thread before a worker is worth starting: a
// short run (a few passwords in the window) never starts one.
constexpr std::size_t kInlineRefills = 4;
} // namespace

SecureRandom::SecureRandom()
{
    if (sodium_init() < 0)
        throw std::runtime_error("The secure random generator could not be started.");
    randombytes_buf(m_key, sizeof m_key);
}

SecureRandom::~SecureRandom()
{
    if (m_worker.joinable()) {
        m_quit.store(true);
        for (std::size_t i = 0; i < kBlocks; ++i) {
            // Wakes a worker waiting for a block to be handed back.
            m_blocks[i].ready.store(false);
            m_blocks[i].ready.notify_all();
        }
        m_worker.join();
    }
    sodium_memzero(m_key, sizeof m_key);
    for (std::size_t i = 0; i < kBlocks; ++i)
        sodium_memzero(m_blocks[i].values.data(), sizeof m_blocks[i].values);
}

void SecureRandom::fill(Block& block)
{
    // A fresh nonce per block keeps the stream from ever repeating for one key.
    static_assert(sizeof block.values == kBlockValues * sizeof(std::uint64_t));
    auto* raw = reinterpret_cast<unsigned char*>(block.values.data());
    unsigned char nonce[crypto_stream_chacha20_NONCEBYTES] = {};
    static_assert(sizeof nonce == sizeof m_nonce);
    std::memcpy(nonce, &m_nonce, sizeof m_nonce);
    ++m_nonce;
    crypto_stream_chacha20(raw, sizeof block.values, nonce, m_key);
    // Converted in place: each 8 keystream bytes become one value.
    for (std::size_t i = 0; i < kBlockValues; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, raw + i * sizeof bits, sizeof bits);
        block.values[i] = static_cast<double>(bits >> 11) * kTwoToMinus53;
    }
}

void SecureRandom::work(std::size_t at)
{
    for (;;) {
        m_blocks[at].ready.wait(true); // until the reader hands it back
        if (m_quit.load())
            return;
        fill(m_blocks[at]);
        m_blocks[at].ready.store(true);
        m_blocks[at].ready.notify_one();
        at = (at + 1) % kBlocks;
    }
}

void SecureRandom::refill()
{
    if (!m_worker.joinable()) {
        fill(m_blocks[m_current]);
        setValues(m_blocks[m_current].values.data(), kBlockValues);
        if (++m_inlineRefills == kInlineRefills) {
            // The worker fills the other blocks; the one being read stays ours.
            m_blocks[m_current].ready.store(true);
            try {
                m_worker = startWorker([this, at = (m_current + 1) % kBlocks] { work(at); });
            } catch (const std::system_error&) {
                m_blocks[m_current].ready.store(false); // no thread to be had: go on filling here
            }
        }
        return;
    }
    m_blocks[m_current].ready.store(false); // read out: hand it back
    m_blocks[m_current].ready.notify_one();
    m_current = (m_current + 1) % kBlocks;
    m_blocks[m_current].ready.wait(false);
    setValues(m_blocks[m_current].values.data(), kBlockValues);
}

void secureRandomBytes(void* out, std::size_t size)
{
    if (sodium_init() < 0)
        throw std::runtime_error("The secure random generator could not be started.");
    randombytes_buf(out, size);
}

} // namespace quorlix
