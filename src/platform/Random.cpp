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

void keystreamValues(const unsigned char (&key)[32], std::uint64_t nonce, double* out, std::size_t count)
{
    // A piece of 64 ChaCha20 blocks: the counter of piece k starts at 64 k.
    constexpr std::size_t kPieceBytes = 4096;
    constexpr std::size_t kPieceValues = kPieceBytes / sizeof(std::uint64_t);
    static const unsigned char zeros[kPieceBytes] = {};
    alignas(64) unsigned char piece[kPieceBytes];
    unsigned char n[crypto_stream_chacha20_NONCEBYTES] = {};
    static_assert(sizeof n == sizeof nonce);
    std::memcpy(n, &nonce, sizeof nonce);
    for (std::size_t at = 0; at < count; at += kPieceValues) {
        crypto_stream_chacha20_xor_ic(piece, zeros, kPieceBytes, n, at * sizeof(std::uint64_t) / 64, key);
        for (std::size_t i = 0; i < kPieceValues; ++i) {
            std::uint64_t bits;
            std::memcpy(&bits, piece + i * sizeof bits, sizeof bits);
            out[at + i] = static_cast<double>(bits >> 11) * kTwoToMinus53;
        }
    }
    sodium_memzero(piece, sizeof piece);
}

void SecureRandom::fill(Block& block)
{
    // A fresh nonce per block keeps the stream from ever repeating for one key.
    static_assert(kBlockValues % 512 == 0);
    keystreamValues(m_key, m_nonce++, block.values.data(), kBlockValues);
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
