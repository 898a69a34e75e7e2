// Speed and memory of the Jet writer: N passwords of 10 characters into the
// "Password Database" table of a Jet 3 (and Jet 4) file. The target is
// 10,000,000 rows in at most 10 s with memory that does not grow with N.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/Jet.h"

namespace
{

using quorlix::Status;
using quorlix::jet::DatabaseWriter;
using quorlix::jet::JetVersion;

long maxRssKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Ten printable characters that differ from row to row (no randomness
// needed: only the byte count matters to the writer).
void makePassword(std::uint64_t n, char* out)
{
    static constexpr char kChars[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!#$%&*+-=?@";
    constexpr std::uint64_t kCount = sizeof kChars - 1;
    for (int i = 0; i < 10; ++i) {
        out[i] = kChars[n % kCount];
        n = n / kCount + static_cast<std::uint64_t>(i) * 7;
    }
}

void writeList(benchmark::State& state, JetVersion version)
{
    const auto rows = static_cast<std::uint64_t>(state.range(0));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorlix-jet-bench-" + std::to_string(::getpid()) + ".mdb");
    const long rssBefore = maxRssKiB();
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        std::filesystem::remove(path);
        Status error;
        auto w = DatabaseWriter::create(path.string(), version, "", &error);
        if (!w) {
            state.SkipWithError(error.message().c_str());
            return;
        }
        w->createTable("Password Database", {{"Last_Name", true}, {"First_Name", true}, {"Password", true}});
        char password[10];
        std::vector<std::optional<std::string_view>> values(3);
        for (std::uint64_t i = 0; i < rows; ++i) {
            makePassword(i, password);
            values[2] = std::string_view(password, sizeof password);
            w->appendRow(values);
        }
        const Status s = w->close();
        if (!s.isOk()) {
            state.SkipWithError(s.message().c_str());
            return;
        }
        bytes = std::filesystem::file_size(path);
    }
    std::filesystem::remove(path);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["fileMiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["rssGrowthKiB"] = static_cast<double>(maxRssKiB() - rssBefore);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * rows));
}

void BM_Jet3PasswordList(benchmark::State& state)
{
    writeList(state, JetVersion::Jet3);
}
void BM_Jet4PasswordList(benchmark::State& state)
{
    writeList(state, JetVersion::Jet4);
}

// Memory is read as peak-RSS growth: 100,000 rows run first, so the larger
// runs show only what they add on top.
BENCHMARK(BM_Jet3PasswordList)->Arg(100000)->Arg(1000000)->Arg(10000000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Jet4PasswordList)->Arg(10000000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
