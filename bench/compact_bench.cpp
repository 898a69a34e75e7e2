// Compacting a database whose table holds 100,000 records and two indexes
// (a Long primary key and a Text index), beside mdb-export reading the same
// table to CSV: the peer for how long one pass over the file takes.
// Compare the two times of one run; the machine's speed cancels out.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/Compact.h"
#include "platform/jet/JetFormat.h"
#include "platform/jet/JetWriter.h"

namespace
{

namespace fs = std::filesystem;
constexpr std::uint32_t kRecords = 100'000;

const fs::path& folder()
{
    static const fs::path dir = [] {
        auto d = fs::temp_directory_path() / ("compact-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::string source(quorlix::jet::JetVersion version)
{
    using namespace quorlix::jet;
    const std::string path = (folder() / (version == JetVersion::Jet3 ? "source3.mdb" : "source4.mdb")).string();
    if (fs::exists(path))
        return path;
    quorlix::Status status;
    auto w = createDatabaseWriter(path, version, "", {}, &status);
    const std::vector<FieldSpec> fields = {{"Id", kLong, 0, true, true}, {"Name", kText, 40}, {"Amount", kDouble}};
    const std::vector<IndexSpec> indexes = {{"PrimaryKey", {{"Id", false}}, true}, {"ByName", {{"Name", false}}}};
    if (!w || !createTypedTable(*w, "Customers", fields, indexes).isOk()) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::abort();
    }
    std::uint32_t x = 2463534242u;
    std::string name;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        name = "Customer " + std::to_string(x % 1000000);
        const double amount = (x % 100000) / 100.0;
        std::string bytes(8, '\0');
        std::memcpy(bytes.data(), &amount, 8);
        if (!w->appendRow({std::nullopt, name, bytes}).isOk())
            std::abort();
    }
    if (!w->close().isOk())
        std::abort();
    return path;
}

void compact(benchmark::State& state, quorlix::jet::JetVersion version)
{
    const std::string from = source(version);
    const std::string to = (folder() / "copy.mdb").string();
    for (auto _ : state) {
        if (!quorlix::compactDatabase(from, to).isOk()) {
            state.SkipWithError("compaction failed");
            return;
        }
    }
    state.counters["records/s"] = benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
}

void mdbExport(benchmark::State& state, quorlix::jet::JetVersion version)
{
    const std::string command = "mdb-export '" + source(version) + "' Customers > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("mdb-export failed");
            return;
        }
    }
    state.counters["records/s"] = benchmark::Counter(kRecords, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(compact, Jet3, quorlix::jet::JetVersion::Jet3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(mdbExport, Jet3, quorlix::jet::JetVersion::Jet3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(compact, Jet4, quorlix::jet::JetVersion::Jet4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(mdbExport, Jet4, quorlix::jet::JetVersion::Jet4)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
