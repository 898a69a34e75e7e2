#include "platform/Random.h"

#include "platform/Worker.h"

#include <sodium.h>

#include <bit>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace quorlix
{

namespace
{
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
        sodium_memzero(m_blocks[i].words.data(), sizeof m_blocks[i].words);
}

void keystreamWords(const unsigned char (&key)[32], std::uint64_t nonce, std::uint32_t* out, std::size_t count)
{
    // A piece of 64 ChaCha20 blocks: the counter of piece k starts at 64 k.
    // The zeros stay in the first-level cache; the keystream is their xor.
    constexpr std::size_t kPieceBytes = 4096;
    constexpr std::size_t kPieceWords = kPieceBytes / sizeof(std::uint32_t);
    static const unsigned char zeros[kPieceBytes] = {};
    unsigned char n[crypto_stream_chacha20_NONCEBYTES] = {};
    static_assert(sizeof n == sizeof nonce);
    std::memcpy(n, &nonce, sizeof nonce);
    static_assert(std::endian::native == std::endian::little, "the words are the keystream's bytes as they lie");
    for (std::size_t at = 0; at < count; at += kPieceWords)
        crypto_stream_chacha20_xor_ic(reinterpret_cast<unsigned char*>(out + at), zeros, kPieceBytes, n,
                                      at * sizeof(std::uint32_t) / 64, key);
}

void SecureRandom::fill(Block& block)
{
    // A fresh nonce per block keeps the stream from ever repeating for one key.
    static_assert(kBlockWords % 1024 == 0);
    keystreamWords(m_key, m_nonce++, block.words.data(), kBlockWords);
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
        setWords(m_blocks[m_current].words.data(), kBlockWords);
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
    setWords(m_blocks[m_current].words.data(), kBlockWords);
}

void secureRandomBytes(void* out, std::size_t size)
{
    if (sodium_init() < 0)
        throw std::runtime_error("The secure random generator could not be started.");
    randombytes_buf(out, size);
}

} // namespace quorlix
