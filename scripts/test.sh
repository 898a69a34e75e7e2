#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
# With CI=true (or QUORLIX_SANITIZE=1) the unit tests also run once under
# AddressSanitizer and UndefinedBehaviorSanitizer, and warnings are errors;
# with CI=true the fuzz targets also replay their corpus (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

werror=OFF
[ "${CI:-}" = true ] && werror=ON
jobs="${QUORLIX_JOBS:-2}"

# Every switch is given, so a folder configured differently before still
# builds every test.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIX_WERROR=$werror -DQUORLIX_BUILD_TESTS=ON \
  -DQUORLIX_BUILD_GUI=ON -DQUORLIX_BUILD_BENCH=ON -DQUORLIX_SANITIZE=OFF >/dev/null
cmake --build build -j"$jobs"

# Database files the tests write are collected here and read back by the
# two independent readers of ../shared/tools/mdb-check when it is present.
export QUORLIX_MDB_OUT="$PWD/build/mdb-out"
rm -rf "$QUORLIX_MDB_OUT"; mkdir -p "$QUORLIX_MDB_OUT"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"
if [ ! -d ../shared/samples/jet ]; then
  echo "Note: the tests labelled 'samples' were skipped: they read the Access samples in ../shared/samples/jet," \
    "which are not beside this clone."
fi

if [ "${CI:-}" = true ]; then
  # What a clone without ../shared sees: the tests that read the samples
  # skip and the rest of them pass.
  echo "== the tests labelled 'samples' with the samples hidden (QUORLIX_HIDE_SAMPLES=1)"
  QUORLIX_HIDE_SAMPLES=1 ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs" -L samples
fi

if [ -x ../shared/tools/mdb-check ] && compgen -G "$QUORLIX_MDB_OUT/*" >/dev/null; then
  echo "== mdb-check on the database files the tests wrote"
  for f in "$QUORLIX_MDB_OUT"/*; do
    pw=(); case "$f" in *.dct) pw=(-P "kfz lomb 7316");; esac
    ../shared/tools/mdb-check -q "${pw[@]}" "$f"
  done
fi

if [ "${CI:-}" = true ] || [ "${QUORLIX_SANITIZE:-}" = 1 ]; then
  echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORLIX_SANITIZE=ON -DQUORLIX_WERROR=$werror \
    -DQUORLIX_BUILD_TESTS=ON -DQUORLIX_BUILD_GUI=ON -DQUORLIX_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j"$jobs"
  QUORLIX_MDB_OUT="$PWD/build-asan/mdb-out" ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
    ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs" -E '_slow$'
fi

if [ "${CI:-}" = true ]; then
  # Every input of fuzz/corpus once, then a few seconds of fuzzing per target.
  echo "== fuzz targets: corpus replay and a short run"
  bash scripts/fuzz.sh --replay
  bash scripts/fuzz.sh 4
fi

if [ "${CI:-}" = true ]; then
  echo "== the package: staged install, download, lintian, validators, apt-get install and remove"
  rc=0
  bash scripts/package-test.sh || rc=$?
  # 77: not root, so the package could not be installed here.
  [ "$rc" -eq 0 ] || [ "$rc" -eq 77 ] || exit "$rc"
fi
