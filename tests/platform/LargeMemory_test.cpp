#include "platform/LargeMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/ResultListBuffer.h"

namespace quorlix {
namespace {

// A mapping given back is taken again by the next request it can serve
// (its pages already in), grown when smaller; small ones are not kept.
TEST(LargeMemory, MappingsGivenBackServeTheNextRequests)
{
    dropKeptMappings();
    const Mapping first = takeMapping(std::size_t{6} << 20);
    EXPECT_TRUE(first.fresh);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first.data) % (std::size_t{2} << 20), 0u); // huge-page aligned
    std::memset(first.data, 7, first.bytes);
    giveBackMapping(first);
    EXPECT_EQ(keptMappingBytes(), first.bytes);

    const Mapping again = takeMapping(std::size_t{5} << 20);
    EXPECT_EQ(again.data, first.data);
    EXPECT_FALSE(again.fresh);
    EXPECT_EQ(static_cast<unsigned char*>(again.data)[100], 7); // the contents are the caller's to clear
    EXPECT_EQ(keptMappingBytes(), 0u);
    giveBackMapping(again);

    const Mapping grown = takeMapping(std::size_t{20} << 20);
    EXPECT_GE(grown.bytes, std::size_t{20} << 20);
    EXPECT_EQ(static_cast<unsigned char*>(grown.data)[100], 7); // the kept pages came along
    giveBackMapping(grown);

    giveBackMapping(takeMapping(64 * 1024));
    EXPECT_EQ(keptMappingBytes(), grown.bytes);
    dropKeptMappings();
    EXPECT_EQ(keptMappingBytes(), 0u);
}

// A buffer of passwords wipes what it wrote before its memory is kept for
// another; one that holds none leaves it.
TEST(LargeMemory, BuffersWipeOnlyPasswords)
{
    for (const Holds holds : {Holds::Secrets, Holds::NoSecrets}) {
        dropKeptMappings();
        const char* data = nullptr;
        {
            PodBuffer<char> buffer(holds);
            buffer.resize(std::size_t{4} << 20);
            std::memset(buffer.data(), 'p', buffer.size());
            data = buffer.data();
        }
        const Mapping kept = takeMapping(std::size_t{4} << 20);
        ASSERT_EQ(kept.data, data);
        EXPECT_EQ(static_cast<const char*>(kept.data)[12345], holds == Holds::Secrets ? '\0' : 'p');
        giveBackMapping(kept);
    }
    dropKeptMappings();
}

} // namespace
// Pages made ahead by another thread keep what the filling thread wrote,
// before and while they are made; a stop ends the work early.
TEST(LargeMemory, PagesMadeAheadKeepWhatIsWritten)
{
    constexpr std::size_t kBytes = std::size_t{48} << 20;
    Mapping m = takeMapping(kBytes);
    auto* bytes = static_cast<unsigned char*>(m.data);
    std::memset(bytes, 0, kBytes); // a kept mapping holds anything
    std::atomic<bool> stop{false};
    std::memset(bytes, 0xA5, 4096 * 3 + 17);
    std::thread helper([&] { populatePages(bytes + 4096, kBytes - 4096, stop); });
    for (std::size_t at = 4096 * 3 + 17; at < kBytes; at += 4093)
        bytes[at] = static_cast<unsigned char>(at % 251 + 1);
    helper.join();
    for (std::size_t at = 0; at < 4096 * 3 + 17; ++at)
        ASSERT_EQ(bytes[at], 0xA5) << at;
    std::size_t zeros = 0;
    for (std::size_t at = 4096 * 3 + 17; at < kBytes; ++at) {
        const bool written = (at - (4096 * 3 + 17)) % 4093 == 0;
        if (written)
            ASSERT_EQ(bytes[at], at % 251 + 1) << at;
        else
            zeros += bytes[at] == 0;
    }
    EXPECT_EQ(zeros, kBytes - 4096 * 3 - 17 - (kBytes - 4096 * 3 - 17 + 4092) / 4093);
    stop.store(true);
    populatePages(bytes, kBytes, stop); // returns at once
    giveBackMapping(m);
}

} // namespace quorlix
