// Random Words runs and the dictionary check on English-sized dictionaries
// read from the Debian word lists (skipped when the lists are absent).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "QuietSurface.h"
#include "engine/RunState.h"
#include "engine/Yielder.h"
#include "platform/Random.h"
#include "platform/ResultList.h"
#include "words/DictionaryBuild.h"
#include "words/DictionaryCheck.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySources.h"
#include "words/WordRuns.h"

namespace quorlix {
namespace {

class TablesSource final : public WordSource {
public:
    explicit TablesSource(const WordTables& t) : m_tables(t) {}
    Status load(const std::string&, const std::string&, WordTables* tables) override
    {
        *tables = m_tables;
        return Status::ok();
    }
    std::string failureMessage(const Status& s, const std::string&, bool) const override { return s.message(); }

private:
    const WordTables& m_tables;
};

const WordTables* englishTables(const char* which)
{
    static WordTables all;
    static bool loaded = false;
    if (!loaded) {
        const std::vector<std::string> lists = presentLists(*wordListDictionary("wordlist_english_all.dct"));
        Status s;
        for (const std::string& w : dictionaryWordsFromLists(lists, nullptr, &s))
            all.table(w[0]).push_back(w);
        loaded = true;
    }
    (void)which;
    return all.totalWords() ? &all : nullptr;
}

void BM_RandomWords(benchmark::State& state)
{
    const WordTables* tables = englishTables("all");
    if (!tables) {
        state.SkipWithError("no English word list");
        return;
    }
    const std::string folder = std::filesystem::temp_directory_path().string() + "/";
    const std::string name = "quorlix-bench.dct";
    std::ofstream(folder + name) << "x";
    TablesSource source(*tables);
    for (auto _ : state) {
        bench::QuietSurface surface;
        bench::QuietBoxes boxes;
        ResultList list;
        Yielder yield(surface);
        RunState runState;
        SecureRandom random;
        WordSettings settings;
        settings.dictionary = name;
        settings.totalPasswords = static_cast<std::int32_t>(state.range(0));
        settings.wordsPerPassword = 2;
        settings.randomNumbers = true;
        settings.digitCount = 4;
        settings.duplicationCheck = true;
        CheckOptions checks;
        checks.counter = false;
        WordRunContext run{settings, checks, surface, boxes, list, yield, runState, random, source, folder};
        if (PasswordGenWords(run) != WordRunEnd::Completed || list.count() != static_cast<std::size_t>(settings.totalPasswords))
            state.SkipWithError("run did not complete");
        benchmark::DoNotOptimize(list.count());
    }
    std::remove((folder + name).c_str());
    state.counters["words"] = static_cast<double>(tables->totalWords());
}
BENCHMARK(BM_RandomWords)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_IndexBuild(benchmark::State& state)
{
    const WordTables* tables = englishTables("all");
    if (!tables) {
        state.SkipWithError("no English word list");
        return;
    }
    for (auto _ : state) {
        DictionaryIndex index(*tables);
        benchmark::DoNotOptimize(index.nodeCount());
        state.counters["nodes"] = static_cast<double>(index.nodeCount());
    }
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HybridCheck(benchmark::State& state)
{
    const WordTables* tables = englishTables("all");
    if (!tables) {
        state.SkipWithError("no English word list");
        return;
    }
    const DictionaryIndex index(*tables);
    const std::string pool = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SecureRandom random;
    std::vector<std::string> passwords(static_cast<std::size_t>(state.range(0)));
    for (auto& p : passwords)
        for (int k = 0; k < 12; ++k)
            p += pool[static_cast<std::size_t>(random.draw(static_cast<double>(pool.size()), 0))];
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (const auto& p : passwords)
            hits += dictionaryHit(index, p, 12, DictionaryMode::Hybrid) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(passwords.size());
}
BENCHMARK(BM_HybridCheck)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace quorlix

BENCHMARK_MAIN();
