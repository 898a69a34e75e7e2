// Handing passwords out: a 10,000-person roster read and written as PDF
// slips with QR codes (the target: under 10 s), beside the same roster
// written as a CSV list (the peer: what names alone cost); and password
// hashes per second for each scheme at libxcrypt's default cost, on one core
// and on every core, beside sha512crypt.
//
//   build/bench/handout_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "output/HandOut.h"
#include "output/ListWriter.h"
#include "output/PasswordHash.h"
#include "output/Roster.h"
#include "platform/Random.h"

namespace {

namespace fs = std::filesystem;
using namespace quorlix;

constexpr std::size_t kPeople = 10'000;

std::string scratch(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("quorlix-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return (dir / name).string();
}

// A roster file of kPeople with accents and user names, made once.
const std::string& rosterFile()
{
    static const std::string path = [] {
        const std::string p = scratch("roster.csv");
        std::ofstream out(p, std::ios::binary);
        out << "Last Name,First Name,Username\r\n";
        for (std::size_t i = 0; i < kPeople; ++i)
            out << "M\xC3\xBCller-" << i << ",\"Ana, Mar\xC3\xAD" "a\",user" << i << "\r\n";
        return p;
    }();
    return path;
}

const std::vector<std::string>& passwords()
{
    static const std::vector<std::string> list = [] {
        SecureRandom random;
        std::vector<std::string> out(kPeople);
        for (auto& p : out)
            for (int c = 0; c < 12; ++c)
                p.push_back(static_cast<char>(random.draw(94, 33)));
        return out;
    }();
    return list;
}

void handOut(benchmark::State& state, ListFormat format, bool qr)
{
    const auto& list = passwords();
    for (auto _ : state) {
        HandOut h;
        auto roster = std::make_shared<Roster>();
        if (!readRoster(rosterFile(), {}, *roster)) {
            state.SkipWithError("roster unreadable");
            return;
        }
        h.roster = roster;
        h.slips = {PaperSize::A4, 10, qr, "Your school account"};
        h.note = "Change it at first log-in";
        Status s;
        auto writer = openHandOutList(scratch(format == ListFormat::Pdf ? "slips.pdf" : "list.csv"), format, h, &s);
        if (!writer) {
            state.SkipWithError(s.message().c_str());
            return;
        }
        writer->begin();
        for (const auto& p : list)
            writer->add(p);
        if (!writer->finish())
            state.SkipWithError("write failed");
    }
    state.counters["people/s"] =
        benchmark::Counter(static_cast<double>(kPeople) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["MB"] = static_cast<double>(
                               fs::file_size(scratch(format == ListFormat::Pdf ? "slips.pdf" : "list.csv"))) /
                           1e6;
}

void BM_RosterToSlipsWithQr(benchmark::State& state) { handOut(state, ListFormat::Pdf, true); }
void BM_RosterToSlips(benchmark::State& state) { handOut(state, ListFormat::Pdf, false); }
void BM_RosterToCsvPeer(benchmark::State& state) { handOut(state, ListFormat::Csv, false); }
BENCHMARK(BM_RosterToSlipsWithQr)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RosterToSlips)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RosterToCsvPeer)->Unit(benchmark::kMillisecond)->Iterations(3);

// range(0): the scheme; range(1): threads (0: every core).
void BM_Hash(benchmark::State& state)
{
    const auto scheme = static_cast<HashScheme>(state.range(0));
    const unsigned threads = static_cast<unsigned>(state.range(1));
    const PasswordHasher hasher(scheme);
    const std::vector<std::string> batch(std::vector<std::string>(passwords().begin(), passwords().begin() + 64));
    std::vector<std::string> hashes;
    for (auto _ : state)
        if (!hasher.hashAll(batch, hashes, threads))
            state.SkipWithError("hash failed");
    state.SetLabel(std::string(hashSchemeName(scheme)) + (threads == 1 ? ", one core" : ", every core"));
    state.counters["hashes/s"] = benchmark::Counter(
        static_cast<double>(batch.size()) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Hash)
    ->ArgsProduct({{static_cast<int>(HashScheme::Yescrypt), static_cast<int>(HashScheme::Sha512crypt),
                    static_cast<int>(HashScheme::Bcrypt)},
                   {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(fs::temp_directory_path() / ("quorlix-bench-" + std::to_string(::getpid())), ec);
}
