// Writing password lists: the three text formats into memory and to a file,
// SortTextFile on a large list, against a plain std::ofstream peer.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "output/ListWriter.h"
#include "output/SortTextFile.h"
#include "platform/Random.h"

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kLength = 10;

const std::vector<char>& passwordBytes(std::size_t rows)
{
    static std::vector<char> bytes;
    if (bytes.size() != rows * kLength) {
        quorlix::SecureRandom random;
        bytes.resize(rows * kLength);
        for (char& c : bytes)
            c = static_cast<char>(random.draw(94, 33));
    }
    return bytes;
}

// Counts bytes and keeps nothing, so only the writer is measured.
class CountingSink : public quorlix::ByteSink {
public:
    void write(std::string_view bytes) override { m_bytes += bytes.size(); }
    quorlix::Status status() const override { return quorlix::Status::ok(); }
    std::size_t bytes() const { return m_bytes; }

private:
    std::size_t m_bytes = 0;
};

std::string scratchPath(const char* name)
{
    const fs::path dir = fs::temp_directory_path() / ("quorlix-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return (dir / name).string();
}

void writeAll(quorlix::ListWriter& writer, std::size_t rows)
{
    const auto& bytes = passwordBytes(rows);
    writer.begin();
    for (std::size_t i = 0; i < rows; ++i)
        writer.add({bytes.data() + i * kLength, kLength});
}

void BM_WriteToMemory(benchmark::State& state)
{
    const auto format = static_cast<quorlix::ListFormat>(state.range(0));
    const auto rows = static_cast<std::size_t>(state.range(1));
    passwordBytes(rows);
    std::size_t written = 0;
    for (auto _ : state) {
        auto sink = std::make_unique<CountingSink>();
        CountingSink* counter = sink.get();
        auto writer = quorlix::makeTextListWriter(format, std::move(sink));
        writeAll(*writer, rows);
        writer->finish();
        written = counter->bytes();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_WriteToMemory)
    ->Args({static_cast<int>(quorlix::ListFormat::Txt), 10'000'000})
    ->Args({static_cast<int>(quorlix::ListFormat::Csv), 10'000'000})
    ->Args({static_cast<int>(quorlix::ListFormat::Htm), 10'000'000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Through AtomicFile, including the flush to disk and the rename.
void BM_WriteTxtFile(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    passwordBytes(rows);
    const std::string path = scratchPath("list.txt");
    for (auto _ : state) {
        quorlix::Status error;
        auto writer = quorlix::openListFile(path, quorlix::ListFormat::Txt, &error);
        writeAll(*writer, rows);
        if (!writer->finish().isOk())
            state.SkipWithError("write failed");
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_WriteTxtFile)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Peer: std::ofstream, one << per line, no sync.
void BM_PeerOfstreamTxt(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    const auto& bytes = passwordBytes(rows);
    const std::string path = scratchPath("peer.txt");
    for (auto _ : state) {
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < rows; ++i)
            out << std::string_view(bytes.data() + i * kLength, kLength) << "\r\n";
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_PeerOfstreamTxt)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SortTextFile(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    const bool caseSensitive = state.range(1) != 0;
    const auto& bytes = passwordBytes(rows);
    const std::string path = scratchPath("sort.txt");
    for (auto _ : state) {
        state.PauseTiming();
        {
            std::ofstream out(path, std::ios::binary);
            for (std::size_t i = 0; i < rows; ++i)
                out << std::string_view(bytes.data() + i * kLength, kLength) << "\r\n";
        }
        state.ResumeTiming();
        if (!quorlix::SortTextFile(path, caseSensitive))
            state.SkipWithError("sort failed");
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}
BENCHMARK(BM_SortTextFile)->Args({10'000'000, 1})->Args({10'000'000, 0})->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
