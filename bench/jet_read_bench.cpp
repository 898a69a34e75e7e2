// Loading a large dictionary: 350,000 words in 26 letter tables, read through
// the Jet reader (libmdb) the way the Random Words generator loads them.
// Target: well under 0.3 s for the whole load.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "words/DictionaryFile.h"

namespace {

constexpr std::size_t kWords = 350'000;

// Words of 5 to 12 letters, spread over the alphabet like a real list
// (deterministic, no random source needed).
std::vector<std::string> makeWords()
{
    std::vector<std::string> words;
    words.reserve(kWords);
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < kWords; ++i) {
        x = x * 1103515245u + 12345u;
        std::string w(5 + (x >> 16) % 8, 'a');
        for (std::size_t k = 0; k < w.size(); ++k) {
            x = x * 1103515245u + 12345u;
            w[k] = static_cast<char>('a' + (x >> 16) % 26);
        }
        words.push_back(std::move(w));
    }
    return words;
}

const std::string& dictionaryPath(quorlix::jet::JetVersion version)
{
    static const std::string dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("jet-read-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d.string();
    }();
    static std::string paths[2];
    std::string& path = paths[version == quorlix::jet::JetVersion::Jet3 ? 0 : 1];
    if (path.empty()) {
        path = dir + (version == quorlix::jet::JetVersion::Jet3 ? "/bench3.dct" : "/bench4.dct");
        const quorlix::Status st = quorlix::createDictionary(path, makeWords(), version);
        if (!st.isOk()) {
            std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), st.message().c_str());
            std::abort();
        }
    }
    return path;
}

void loadAllWords(benchmark::State& state, quorlix::jet::JetVersion version)
{
    const std::string& path = dictionaryPath(version);
    std::size_t total = 0;
    for (auto _ : state) {
        quorlix::Status status;
        auto dict = quorlix::DictionaryFile::openPath(path, &status);
        if (!dict || !dict->verifyDictionary().isOk()) {
            state.SkipWithError("open failed");
            return;
        }
        total = 0;
        std::vector<std::string> words;
        for (char c = 'A'; c <= 'Z'; ++c) {
            if (!dict->readWords(c, &words).isOk()) {
                state.SkipWithError("read failed");
                return;
            }
            total += words.size();
        }
        benchmark::DoNotOptimize(total);
    }
    if (total != kWords)
        state.SkipWithError("word count differs");
    state.counters["words"] = static_cast<double>(total);
}

void countAllWords(benchmark::State& state)
{
    const std::string& path = dictionaryPath(quorlix::jet::JetVersion::Jet3);
    for (auto _ : state) {
        quorlix::Status status;
        auto dict = quorlix::DictionaryFile::openPath(path, &status);
        quorlix::WordCounts counts;
        if (!dict || !dict->countWords(&counts).isOk() || counts.total != static_cast<std::int32_t>(kWords)) {
            state.SkipWithError("count failed");
            return;
        }
    }
}

void BM_LoadDictionaryJet3(benchmark::State& state) { loadAllWords(state, quorlix::jet::JetVersion::Jet3); }
void BM_LoadDictionaryJet4(benchmark::State& state) { loadAllWords(state, quorlix::jet::JetVersion::Jet4); }

BENCHMARK(BM_LoadDictionaryJet3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDictionaryJet4)->Unit(benchmark::kMillisecond);
BENCHMARK(countAllWords)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
