#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for SECONDS
# (default 60), one after another, printing executions per second.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   scripts/fuzz.sh --replay [TARGET...]   only runs every input of the corpus once
#
# Each run starts from fuzz/corpus/<target>/ (left as it is) and keeps what it
# finds in build-fuzz/found/<target>/. A crash, a hang (over 10 s for one
# input) or a leak stops that target: its input is saved as
# build-fuzz/artifacts/<target>/crash-..., and the script exits 1 at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

replay=0
seconds=60
if [ "${1:-}" = --replay ]; then
  replay=1; shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1; shift
fi
jobs="${QUORLIX_JOBS:-2}"
werror=OFF
[ "${CI:-}" = true ] && werror=ON

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# -O1 with asserts: quick to build, and the checks of the code stay on.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" "${launcher[@]}" \
  -DQUORLIX_FUZZ=ON -DQUORLIX_WERROR=$werror -DQUORLIX_BUILD_TESTS=OFF -DQUORLIX_BUILD_GUI=OFF \
  -DQUORLIX_BUILD_BENCH=OFF -DQUORLIX_SANITIZE=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
failed=()
for t in "${targets[@]}"; do
  bin=build-fuzz/fuzz/fuzz_$t
  seeds=fuzz/corpus/$t
  [ -x "$bin" ] || { echo "no fuzz target $t" >&2; exit 2; }
  log=build-fuzz/logs/$t.log
  mkdir -p build-fuzz/logs "build-fuzz/found/$t" "build-fuzz/artifacts/$t"
  if [ "$replay" = 1 ]; then
    mapfile -t inputs < <(find "$seeds" -type f | sort)
    if "$bin" -timeout=10 -rss_limit_mb=4096 "${inputs[@]}" >"$log" 2>&1; then
      printf '%-18s %4d inputs replayed\n' "$t" "${#inputs[@]}"
    else
      printf '%-18s FAILED on replay, see %s\n' "$t" "$log"; failed+=("$t")
    fi
    continue
  fi
  if "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$t/" "build-fuzz/found/$t" "$seeds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-18s %4ss %10s runs %7s exec/s  coverage %s\n' "$t" "$seconds" "${runs:-?}" "${rate:-?}" "${cov:-?}"
  else
    printf '%-18s FAILED, see %s and build-fuzz/artifacts/%s/\n' "$t" "$log" "$t"; failed+=("$t")
    grep -m3 -E '^(==[0-9]+==ERROR|SUMMARY|fuzz property failed)' "$log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
