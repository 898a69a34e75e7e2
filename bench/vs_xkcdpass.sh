#!/usr/bin/env bash
# Times quorlix-cli words (2 words, 4 digits, duplication check, English
# dictionary) against xkcdpass -n 2 on the same count, in one run, and prints
# the throughput ratio; then 1,000,000 Random Characters passwords of length 12
# with the hybrid dictionary check on the full English dictionary.
#   bench/vs_xkcdpass.sh [COUNT] [ROUNDS]
# Shared machines vary from minute to minute, so the two programs run in
# alternation ROUNDS times (default 3) and the ratio compares their medians.
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-1000000}"
rounds="${2:-3}"
# QUORLIX_BENCH_BUILD names an existing build folder to use instead.
bdir="${QUORLIX_BENCH_BUILD:-build-release}"
[ -n "${QUORLIX_BENCH_BUILD:-}" ] || cmake -S . -B "$bdir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$bdir" -j2 --target quorlix-cli dictionaries >/dev/null
cli="$bdir/src/quorlix-cli"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME="$out/config"

measure() {
  local label="$1"; shift
  /usr/bin/time -f "%e %M" -o "$out/time" "$@"
  read -r secs kb <"$out/time"
  printf '%-40s %8.2f s %8d MB\n' "$label" "$secs" "$((kb / 1024))"
  echo "$secs" >"$out/$label.secs"
}

for round in $(seq "$rounds"); do
  measure "quorlix words #$round" sh -c "'$cli' words --count $count --words 2 --digits 4 --dups --no-upper --no-sort \
    --dictionary wordlist_english_all.dct > '$out/q.txt'"
  measure "xkcdpass -n 2 #$round" sh -c "xkcdpass -n 2 -c $count > '$out/x.txt'"
done
measure "quorlix generate --dict hybrid (1M x 12)" "$cli" generate --count 1000000 --min 12 --max 12 \
  --pool default62 --no-dups --no-sort --dict hybrid --dictionary wordlist_english_all.dct -o "$out/h.txt"
[ "$(wc -l <"$out/q.txt")" -eq "$count" ] || { echo "quorlix wrote the wrong number of lines" >&2; exit 1; }
median() { cat "$out/$1 #"*.secs | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
q=$(median "quorlix words"); x=$(median "xkcdpass -n 2")
awk -v q="$q" -v x="$x" 'BEGIN { printf "medians: quorlix %.2f s, xkcdpass %.2f s; throughput ratio quorlix/xkcdpass: %.1fx\n", q, x, (q > 0 ? x / q : 0) }'
