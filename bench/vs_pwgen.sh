#!/usr/bin/env bash
# Times quorlix-cli against pwgen -s on the same count and length, in one run,
# and prints the throughput ratio and the peak memory of each.
#   bench/vs_pwgen.sh [COUNT] [LENGTH] [ROUNDS]
# Shared machines vary from minute to minute: quorlix runs ROUNDS times
# (default 3) and its median is compared; pwgen's long run averages itself.
# Builds a Release quorlix-cli in build-release/ first.
set -euo pipefail
cd "$(dirname "$0")/.."
count="${1:-10000000}"
len="${2:-10}"
rounds="${3:-3}"
# QUORLIX_BENCH_BUILD names an existing build folder to use instead.
bdir="${QUORLIX_BENCH_BUILD:-build-release}"
[ -n "${QUORLIX_BENCH_BUILD:-}" ] || cmake -S . -B "$bdir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$bdir" -j2 --target quorlix-cli >/dev/null
cli="$bdir/src/quorlix-cli"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME="$out/config" # keep the user's last settings out of it

measure() { # label, then the command; prints "label seconds peakKB"
  local label="$1"; shift
  /usr/bin/time -f "%e %M" -o "$out/time" "$@"
  read -r secs kb <"$out/time"
  printf '%-34s %8.2f s %8d MB\n' "$label" "$secs" "$((kb / 1024))"
  echo "$secs" >"$out/$label.secs"
}

common=(generate --count "$count" --min "$len" --max "$len" --pool default62 --dups --no-side --no-seq --no-strong)
for round in $(seq "$rounds"); do
  measure "quorlix sort-off #$round" "$cli" "${common[@]}" --no-sort -o "$out/q.txt"
  measure "quorlix sort-on #$round" "$cli" "${common[@]}" --sort -o "$out/qs.txt"
done
measure "pwgen -s -1" sh -c "pwgen -s -1 $len $count > '$out/p.txt'"

lines=$(wc -l <"$out/q.txt")
[ "$lines" -eq "$count" ] || { echo "quorlix wrote $lines lines, expected $count" >&2; exit 1; }
median() { cat "$out/$1 #"*.secs | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
q=$(median "quorlix sort-off"); qs=$(median "quorlix sort-on"); p=$(cat "$out/pwgen -s -1.secs")
awk -v q="$q" -v qs="$qs" -v p="$p" 'BEGIN { printf "medians: sort off %.2f s, sort on %.2f s; throughput ratio quorlix/pwgen (sort off): %.1fx\n", q, qs, (q > 0 ? p / q : 0) }'
