// Placing rows in the Generated Passwords display: the sorted mode against
// plain std::sort peers on the same rows.

#include <benchmark/benchmark.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Random.h"
#include "platform/ResultList.h"

namespace {

// Passwords of the printable characters 33..126, the same for every benchmark.
const std::vector<char>& passwordBytes(std::size_t rows, std::size_t length)
{
    static std::vector<char> bytes;
    static std::size_t madeRows = 0;
    static std::size_t madeLength = 0;
    if (madeRows != rows || madeLength != length) {
        quorlix::SecureRandom random;
        bytes.resize(rows * length);
        for (char& c : bytes)
            c = static_cast<char>(random.draw(94, 33));
        madeRows = rows;
        madeLength = length;
    }
    return bytes;
}

void addAll(quorlix::ResultList& list, std::size_t rows, std::size_t length)
{
    const auto& bytes = passwordBytes(rows, length);
    for (std::size_t i = 0; i < rows; ++i)
        list.add({bytes.data() + i * length, length});
}

// A run with updating off: ten million adds, then one placement.
void BM_SortedRunAddAndPlace(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    passwordBytes(rows, 10);
    for (auto _ : state) {
        quorlix::ResultList list;
        list.setSorted(true);
        list.setUpdating(false);
        addAll(list, rows, 10);
        list.setUpdating(true);
        benchmark::DoNotOptimize(list.row(0));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_SortedRunAddAndPlace)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The placement alone (rows already added).
void BM_SortedPlaceOnly(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    quorlix::ResultList list;
    list.setUpdating(false);
    addAll(list, rows, 10);
    for (auto _ : state) {
        list.setSorted(false);
        list.setSorted(true);
        list.setUpdating(false);
        list.setUpdating(true);
        benchmark::DoNotOptimize(list.row(0));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_SortedPlaceOnly)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Updating on: every add is followed by a read, as a repaint would do.
void BM_SortedAddEachRead(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    const auto& bytes = passwordBytes(rows, 10);
    for (auto _ : state) {
        quorlix::ResultList list;
        list.setSorted(true);
        for (std::size_t i = 0; i < rows; ++i) {
            list.add({bytes.data() + i * 10, 10});
            benchmark::DoNotOptimize(list.row(0));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_SortedAddEachRead)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Unsorted adds: the cost of storage alone.
void BM_UnsortedAdd(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    passwordBytes(rows, 10);
    for (auto _ : state) {
        quorlix::ResultList list;
        list.setUpdating(false);
        addAll(list, rows, 10);
        list.setUpdating(true);
        benchmark::DoNotOptimize(list.row(rows - 1));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_UnsortedAdd)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peer: one std::string per row, std::sort.
void BM_PeerStringVectorSort(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    const auto& bytes = passwordBytes(rows, 10);
    for (auto _ : state) {
        std::vector<std::string> v;
        v.reserve(rows);
        for (std::size_t i = 0; i < rows; ++i)
            v.emplace_back(bytes.data() + i * 10, 10);
        std::sort(v.begin(), v.end());
        benchmark::DoNotOptimize(v.front());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_PeerStringVectorSort)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peer: index array over the same buffer, std::sort with a full comparison.
void BM_PeerIndexSort(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    const auto& bytes = passwordBytes(rows, 10);
    for (auto _ : state) {
        std::vector<std::uint32_t> order(rows);
        for (std::size_t i = 0; i < rows; ++i)
            order[i] = static_cast<std::uint32_t>(i);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return std::string_view(bytes.data() + a * 10, 10) < std::string_view(bytes.data() + b * 10, 10);
        });
        benchmark::DoNotOptimize(order.front());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_PeerIndexSort)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();

// Clear Display of ten million sorted rows: the text, the row starts and the
// order are zeroed before they go back to the system. Beside it, the same
// bytes given back without zeroing (the peer: munmap alone).
void BM_ClearWipesTenMillionRows(benchmark::State& state)
{
    const std::size_t rows = 10'000'000;
    passwordBytes(rows, 10);
    for (auto _ : state) {
        state.PauseTiming();
        quorlix::ResultList list;
        list.setSorted(true);
        addAll(list, rows, 10);
        benchmark::DoNotOptimize(list.row(0));
        state.ResumeTiming();
        list.clear();
    }
}
BENCHMARK(BM_ClearWipesTenMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UnmapTenMillionRowsUnwiped(benchmark::State& state)
{
    const std::size_t rows = 10'000'000;
    passwordBytes(rows, 10);
    for (auto _ : state) {
        state.PauseTiming();
        // The same three tables the list holds, touched as it touches them.
        const std::size_t bytes = rows * 10 + rows * 4 * 2;
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        std::memset(p, 1, bytes);
        state.ResumeTiming();
        ::munmap(p, bytes);
    }
}
BENCHMARK(BM_UnmapTenMillionRowsUnwiped)->Unit(benchmark::kMillisecond)->Iterations(3);
