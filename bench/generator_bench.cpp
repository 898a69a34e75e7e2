// The Random Characters generator: passwords of 10 characters from the 62
// letters and digits with the duplication check on, drawn from the secure
// source.
//   BM_DrawAndCheck: the drawing loop and the duplication check alone.
//   BM_DrawOnly:     the drawing loop alone (the run's thread in a long run).
//   BM_SingleRun:    the whole run into an unsorted display (no file writing),
//                    with and without the duplication check.
// Run: build-*/bench/generator_bench --benchmark_min_time=1x

#include <benchmark/benchmark.h>

#include <string>

#include "QuietSurface.h"
#include "engine/CharacterDraw.h"
#include "engine/CharacterRun.h"

namespace quorlix {
namespace {

struct Options {
    GenerationMethod method = GenerationMethod::RandomCharacters;
    RunValues values;
    CheckOptions checks;
    CharacterPool pool = CharacterPool::defaultPool();
    InsertSettings inserts;
    PositionRules rules;
    MultiFileSettings multiFile;
    std::string dictionaryFile;
    WordSettings words;
    PronounceableSettings pronounceable;

    explicit Options(std::int32_t total)
    {
        values.totalPasswords = total;
        values.minLength = 10;
        values.maxLength = 10;
        checks.duplication = true;
        checks.sortDisplay = false;
    }
    RunRequest request()
    {
        return {method, values, checks, pool, inserts, rules, multiFile, dictionaryFile, words, pronounceable};
    }
};

void BM_DrawAndCheck(benchmark::State& st)
{
    const auto total = static_cast<std::int32_t>(st.range(0));
    Options options(total);
    const RunRequest request = options.request();
    bench::QuietSurface surface;
    Yielder yielder(surface);
    RunState state;
    SecureRandom random;
    for (auto _ : st) {
        CharacterDrawer drawer(request, random, yielder, state, CharacterDrawer::Mode::Single);
        drawer.setWeights(classWeights(options.pool));
        AcceptedPasswords accepted;
        accepted.reserve(static_cast<std::size_t>(total));
        std::size_t bytes = 0;
        for (std::int32_t n = 1; n <= total; ++n) {
            yielder();
            do
                drawer.draw(nullptr);
            while (!accepted.addIfNew(drawer.password()));
            bytes += drawer.password().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    st.SetItemsProcessed(st.iterations() * total);
}

// The draw alone: the work on the run's own thread in a long run.
void BM_DrawOnly(benchmark::State& st)
{
    const auto total = static_cast<std::int32_t>(st.range(0));
    Options options(total);
    const RunRequest request = options.request();
    bench::QuietSurface surface;
    Yielder yielder(surface);
    RunState state;
    SecureRandom random;
    for (auto _ : st) {
        CharacterDrawer drawer(request, random, yielder, state, CharacterDrawer::Mode::Single);
        drawer.setWeights(classWeights(options.pool));
        std::size_t bytes = 0;
        for (std::int32_t n = 1; n <= total; ++n) {
            yielder();
            drawer.draw(nullptr);
            bytes += drawer.password().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    st.SetItemsProcessed(st.iterations() * total);
}

void BM_SingleRun(benchmark::State& st)
{
    const auto total = static_cast<std::int32_t>(st.range(0));
    Options options(total);
    options.checks.duplication = st.range(1) != 0;
    const RunRequest request = options.request();
    bench::QuietSurface surface;
    bench::QuietBoxes boxes;
    Yielder yielder(surface);
    RunState state;
    SecureRandom random;
    for (auto _ : st) {
        ResultList list;
        RunEnvironment env{surface, boxes, list, yielder, state, random};
        generateCharacters(request, env, nullptr);
        benchmark::DoNotOptimize(list.count());
    }
    st.SetItemsProcessed(st.iterations() * total);
}

BENCHMARK(BM_DrawAndCheck)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DrawOnly)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
// Second argument: duplication check on (1) or off (0).
BENCHMARK(BM_SingleRun)
    ->Args({1'000'000, 1})
    ->Args({10'000'000, 1})
    ->Args({10'000'000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
} // namespace quorlix

BENCHMARK_MAIN();
