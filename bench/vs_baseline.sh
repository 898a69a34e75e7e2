#!/usr/bin/env bash
# The working tree's quorlix-cli beside an earlier commit's, in one run:
#   chars    10,000,000 passwords of length 10, duplication check on, to TXT,
#            Sort Display off and on, on both cores and on one (taskset -c 0)
#   words    1,000,000 two-word passphrases with 4 digits, duplication check
#            on, unsorted, to TXT
# Both programs are built the same way (Release, in build-vs/) and run in
# ABBA order: the second of two back-to-back runs is faster on these
# machines, so plain alternation would favour one of them. Every run writes a
# new file. Prints the medians of time and peak memory with the ratios, and
# exits non-zero when a target is missed:
#   chars, both cores      >= 2.0x faster, sorted and unsorted
#   chars, one core        >= 1.3x faster, sorted and unsorted
#   words                  >= 1.5x faster
#   peak memory            unsorted at most the baseline's, sorted <= 300 MB
#   bench/vs_baseline.sh BASELINE_COMMIT [ROUNDS]     (ROUNDS: default 6)
# QUORLIX_VS_CASES limits the cases (e.g. "unsorted words"); QUORLIX_VS_COUNT
# and QUORLIX_VS_WORDS change the counts (the targets then still apply).
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: $0 BASELINE_COMMIT [ROUNDS]" >&2; exit 2; }
base="$(git rev-parse --verify --quiet "$1^{commit}")" || { echo "no such commit: $1" >&2; exit 2; }
rounds="${2:-6}"
count="${QUORLIX_VS_COUNT:-10000000}"
wcount="${QUORLIX_VS_WORDS:-1000000}"
cases="${QUORLIX_VS_CASES:-unsorted sorted unsorted-1core sorted-1core words}"
short="${base:0:7}"

# The same configuration for both trees; ccache when it is there.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
build() { # source folder, build folder
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF -DQUORLIX_BUILD_GUI=OFF \
    -DQUORLIX_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
  cmake --build "$2" -j2 --target quorlix-cli dictionaries >/dev/null
}
mkdir -p build-vs
if [ ! -x "build-vs/$short/build/src/quorlix-cli" ]; then
  echo "building $short ..." >&2
  rm -rf "build-vs/$short"
  mkdir -p "build-vs/$short/src"
  git archive "$base" | tar -x -C "build-vs/$short/src"
  build "build-vs/$short/src" "build-vs/$short/build"
fi
echo "building the working tree ..." >&2
build . build-vs/current
A="build-vs/$short/build/src/quorlix-cli"
B="build-vs/current/src/quorlix-cli"

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME="$out/config" # no last settings: --defaults and the options below decide
# Both read the same dictionary file.
export XDG_DATA_HOME="$out/data"
mkdir -p "$XDG_DATA_HOME/quorlix"
cp build-vs/current/src/wordlist_english_all.dct "$XDG_DATA_HOME/quorlix/"

chars=(generate --defaults --quiet --count "$count" --min 10 --max 10 --pool default62 --dups --no-side --no-seq
  --no-strong)
command_of() { # case, program, file: sets cmd
  case "$1" in
  unsorted) cmd=("$2" "${chars[@]}" --no-sort -o "$3") ;;
  sorted) cmd=("$2" "${chars[@]}" --sort -o "$3") ;;
  unsorted-1core) cmd=(taskset -c 0 "$2" "${chars[@]}" --no-sort -o "$3") ;;
  sorted-1core) cmd=(taskset -c 0 "$2" "${chars[@]}" --sort -o "$3") ;;
  words) cmd=("$2" words --defaults --quiet --count "$wcount" --words 2 --digits 4 --dups --no-upper --no-sort
    --dictionary wordlist_english_all.dct -o "$3") ;;
  *) echo "unknown case: $1" >&2; exit 2 ;;
  esac
}
n=0
measure() { # case, label (A or B), program
  n=$((n + 1))
  local file="$out/$1.$2.$n.txt"
  command_of "$1" "$3" "$file"
  # taskset runs the program in its own process: the figures are the program's.
  /usr/bin/time -f "%e %M" -o "$out/time" "${cmd[@]}"
  read -r secs kb <"$out/time"
  echo "$secs" >>"$out/$1.$2.secs"
  echo "$((kb / 1024))" >>"$out/$1.$2.mb"
  local want="$count"
  [ "$1" = words ] && want="$wcount"
  local lines
  lines=$(wc -l <"$file")
  [ "$lines" -eq "$want" ] || { echo "$2 $1: $lines lines, expected $want" >&2; exit 1; }
  case "$1" in
  sorted*) LC_ALL=C sort -c "$file" || { echo "$2 $1: the file is not sorted" >&2; exit 1; } ;;
  esac
  rm -f "$file"
}

echo "load before: $(uptime)"
for round in $(seq "$rounds"); do
  for c in $cases; do
    # A B, then B A: each program is as often first as second of a pair.
    if [ $((round % 2)) -eq 1 ]; then
      measure "$c" A "$A"; measure "$c" B "$B"
    else
      measure "$c" B "$B"; measure "$c" A "$A"
    fi
  done
  echo "round $round of $rounds done" >&2
done
echo "load after:  $(uptime)"

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '\nmedians of %d runs each; A = %s, B = working tree\n\n' "$rounds" "$short"
printf '%-16s %9s %9s %7s %8s %8s   %-30s %s\n' case "A s" "B s" ratio "A MB" "B MB" target ""
missed=0
for c in $cases; do
  as=$(median "$out/$c.A.secs"); bs=$(median "$out/$c.B.secs")
  am=$(median "$out/$c.A.mb"); bm=$(median "$out/$c.B.mb")
  case "$c" in
  unsorted) want=2.0; memtxt="B MB <= A MB"; memok=$(awk -v a="$am" -v b="$bm" 'BEGIN { print (b <= a) }') ;;
  sorted) want=2.0; memtxt="B MB <= 300"; memok=$(awk -v b="$bm" 'BEGIN { print (b <= 300) }') ;;
  unsorted-1core) want=1.3; memtxt="B MB <= A MB"; memok=$(awk -v a="$am" -v b="$bm" 'BEGIN { print (b <= a) }') ;;
  sorted-1core) want=1.3; memtxt="B MB <= 300"; memok=$(awk -v b="$bm" 'BEGIN { print (b <= 300) }') ;;
  words) want=1.5; memtxt="B MB <= A MB"; memok=$(awk -v a="$am" -v b="$bm" 'BEGIN { print (b <= a) }') ;;
  esac
  ratio=$(awk -v a="$as" -v b="$bs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  ok=$(awk -v r="$ratio" -v w="$want" -v m="$memok" 'BEGIN { print (r >= w && m == 1) ? "ok" : "MISSED" }')
  [ "$ok" = ok ] || missed=$((missed + 1))
  printf '%-16s %9.2f %9.2f %6.2fx %8.0f %8.0f   %-30s %s\n' "$c" "$as" "$bs" "$ratio" "$am" "$bm" \
    ">= ${want}x, $memtxt" "$ok"
done
exit $((missed > 0))
