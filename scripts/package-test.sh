#!/usr/bin/env bash
# Checks Quorlix as it is installed, in three parts:
#  a) a staged install (DESTDIR) and its programs, with the dictionaries in
#     share/quorlix and a download from a loopback server into the user's
#     data folder;
#  b) lintian on both .deb files (quorlix-cli: the command line, the
#     dictionaries, its manual page and completions, without Qt Widgets;
#     quorlix: the desktop program), the desktop entry and AppStream data
#     validated, and the desktop entry's StartupWMClass against the real window;
#  c) both installed with apt-get, their programs run, and removed again,
#     the desktop program first.
# Part c) installs and removes the packages on this machine, so it needs
# root; without root the script ends at once with 77 (skipped).
# Every check runs even after one failed; the script fails when any did.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" != 0 ]; then
  echo "package-test.sh installs and removes the quorlix packages: run it as root" >&2
  exit 77
fi

built="$(bash scripts/package.sh)" || { echo "package-test: scripts/package.sh failed"; exit 1; }
cli_deb="$(tail -n 2 <<<"$built" | head -n 1)"
deb="$(tail -n 1 <<<"$built")"
echo "== packages: $cli_deb $deb"

# The loopback file server is built with the tests, in build/.
cmake -S . -B build -G Ninja -DQUORLIX_BUILD_TESTS=ON >/dev/null
cmake --build build -j"${QUORLIX_JOBS:-2}" --target serve_files >/dev/null
serve_files="$PWD/build/tests/serve_files"

work="$(mktemp -d)"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failed=0
passed=0
ok() { echo "ok: $*"; passed=$((passed + 1)); }
bad() { echo "FAILED: $*"; failed=$((failed + 1)); }
# check DESCRIPTION COMMAND...: runs the command, its output kept in $work/out.
check() {
  local what="$1"; shift
  if "$@" >"$work/out" 2>&1; then ok "$what"; else bad "$what"; sed 's/^/  | /' "$work/out" | head -n 20; fi
}
lines_of() { # N COMMAND...: the command succeeds and prints exactly N lines
  local n="$1"; shift
  "$@" >"$work/lines" || return 1
  cat "$work/lines"
  [ "$(wc -l <"$work/lines")" -eq "$n" ]
}

# A user of its own, so no real settings or dictionaries take part; no proxy
# may stand between the program and the loopback server.
mkdir -p "$work/home" "$work/config" "$work/data" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
shipped=(wordlist_english_all.dct wordlist_english_abridged.dct wordlist_french.dct
  wordlist_german.dct wordlist_italian.dct wordlist_spanish.dct wordlist_english_eff.dct)

echo "== a) staged install"
stage="$work/stage"
check "cmake --install into a staging folder" env DESTDIR="$stage" cmake --install build-pkg --prefix /usr
cli="$stage/usr/bin/quorlix-cli"
installed_files() {
  local f missing=0
  for f in usr/bin/quorlix usr/bin/quorlix-cli usr/share/doc/quorlix/copyright usr/share/doc/quorlix/changelog.gz \
    usr/share/doc/quorlix-cli/copyright usr/share/doc/quorlix-cli/changelog.gz \
    usr/share/applications/org.quorlix.Quorlix.desktop usr/share/metainfo/org.quorlix.Quorlix.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.quorlix.Quorlix.svg "${shipped[@]/#/usr/share/quorlix/}"; do
    [ -f "$stage/$f" ] || { echo "missing: $f"; missing=1; }
  done
  return $missing
}
check "programs, dictionaries, desktop files and documents are installed" installed_files
icons_drawn() {
  local size png wrong=0
  for size in 16 24 32 48 64 128 256; do
    png="$stage/usr/share/icons/hicolor/${size}x${size}/apps/org.quorlix.Quorlix.png"
    file -b "$png" | grep -q "^PNG image data, $size x $size," || { echo "not a $size pixel PNG: $png"; wrong=1; }
  done
  return $wrong
}
check "the fixed-size icons are PNGs of their size" icons_drawn
cd "$work"
check "staged quorlix-cli generate --count 5" lines_of 5 "$cli" generate --count 5
check "staged quorlix-cli words finds the installed dictionary" \
  lines_of 3 "$cli" words --count 3 --dictionary wordlist_english_abridged.dct
check "staged quorlix-cli dict list names the seven installed dictionaries in the shared folder" \
  bash -c '"$1" dict list | sort | diff - <(printf "%s\t$2\n" "${@:3}" | sort)' _ "$cli" "$stage/usr/share/quorlix/" "${shipped[@]}"

# The download: software/mytest.dct from a server on 127.0.0.1, at the
# address the user's settings give.
mkdir -p "$work/www/software"
cp "$stage/usr/share/quorlix/wordlist_english_abridged.dct" "$work/www/software/mytest.dct"
"$serve_files" "$work/www" 300 >"$work/port" 2>"$work/server.log" &
server=$!
for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(head -n 1 "$work/port")"
mkdir -p "$XDG_CONFIG_HOME/Quorlix"
printf '[Settings]\nDownloadBase=http://127.0.0.1:%s\n' "$port" >"$XDG_CONFIG_HOME/Quorlix/Quorlix.ini"
check "staged quorlix-cli dict download mytest.dct" "$cli" dict download mytest.dct
check "the download landed in \$XDG_DATA_HOME/quorlix" cmp "$work/www/software/mytest.dct" "$XDG_DATA_HOME/quorlix/mytest.dct"
sha256sum "$work/www/software/mytest.dct" | sed 's|  .*|  other.dct|' >"$work/www/software/other.dct.sha256"
cp "$work/www/software/mytest.dct" "$work/www/software/other.dct"
check "staged quorlix-cli dict download other.dct --from the server, its digest checked" \
  bash -c '"$1" dict download other.dct --from "$2" 2>&1 | grep -F "(matches other.dct.sha256)"' _ "$cli" "http://127.0.0.1:$port"
check "staged quorlix-cli dict download wordlist_italian.dct builds from /usr/share/dict/italian" \
  bash -c '"$1" dict download wordlist_italian.dct && test -s "$2/quorlix/wordlist_italian.dct"' _ "$cli" "$XDG_DATA_HOME"
check "nothing was written beside the installed program" test ! -e "$stage/usr/bin/mytest.dct"
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
server=""
cd - >/dev/null

echo "== b) lintian and validators"
# Lintian leaves a cache file in $TMPDIR: its own folder goes with $work.
mkdir -p "$work/lintian-tmp"
for d in "$cli_deb" "$deb"; do
  check "lintian reports no error or warning for $(basename "$d")" \
    env TMPDIR="$work/lintian-tmp" lintian --fail-on error,warning "$d"
  grep -E '^[EWI]: ' "$work/out" | sed 's/^/  | /' || true
done
check "quorlix-cli depends on no Qt Widgets, Gui or Multimedia" \
  bash -c '! dpkg-deb -f "$1" Depends | grep -E "libqt6(widgets|gui|multimedia)"' _ "$cli_deb"
check "quorlix depends on quorlix-cli" bash -c 'dpkg-deb -f "$1" Depends | grep -E "(^|, )quorlix-cli \(= "' _ "$deb"
check "quorlix-cli suggests the word-list packages" \
  bash -c 'dpkg-deb -f "$1" Suggests | grep -q wdutch && dpkg-deb -f "$1" Suggests | grep -q wngerman' _ "$cli_deb"
contents_split() {
  local cli_files desktop_files
  cli_files="$(dpkg-deb -c "$cli_deb")" && desktop_files="$(dpkg-deb -c "$deb")" || return 1
  grep -q ' ./usr/bin/quorlix-cli$' <<<"$cli_files" &&
    grep -q ' ./usr/share/quorlix/wordlist_english_eff.dct$' <<<"$cli_files" &&
    grep -q ' ./usr/share/man/man1/quorlix-cli.1.gz$' <<<"$cli_files" &&
    grep -q ' ./usr/share/bash-completion/completions/quorlix-cli$' <<<"$cli_files" &&
    ! grep -q ' ./usr/bin/quorlix$' <<<"$cli_files" &&
    grep -q ' ./usr/bin/quorlix$' <<<"$desktop_files" &&
    grep -q ' ./usr/share/man/man1/quorlix.1.gz$' <<<"$desktop_files" &&
    ! grep -q -e ' ./usr/bin/quorlix-cli$' -e '\.dct$' <<<"$desktop_files"
}
check "the programs, dictionaries, manual pages and completions are in the right package" contents_split
check "desktop-file-validate" desktop-file-validate "$stage/usr/share/applications/org.quorlix.Quorlix.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$stage/usr/share/metainfo/org.quorlix.Quorlix.metainfo.xml"

# The window's WM_CLASS is what a desktop matches the entry's StartupWMClass to.
wm_class_matches() {
  local want
  want="$(sed -n 's/^StartupWMClass=//p' "$stage/usr/share/applications/org.quorlix.Quorlix.desktop")"
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c '
    "$1" >/dev/null 2>&1 &
    pid=$!
    id=""
    for _ in $(seq 1 200); do
      id="$(xdotool search --all --onlyvisible --pid "$pid" --name "^Quorlix\$" 2>/dev/null | head -n 1 || true)"
      [ -n "$id" ] && break
      sleep 0.1
    done
    [ -n "$id" ] && xprop -id "$id" WM_CLASS
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    true' _ "$stage/usr/bin/quorlix" >"$work/wmclass"
  cat "$work/wmclass"
  # WM_CLASS(STRING) = "instance", "class": the class is the second.
  [ -n "$want" ] && grep -q "^WM_CLASS(STRING) = \"[^\"]*\", \"$want\"\$" "$work/wmclass"
}
check "StartupWMClass is the window's WM_CLASS" wm_class_matches

echo "== c) apt-get install and remove"
export DEBIAN_FRONTEND=noninteractive
# Recommends are left out: the check is about these packages alone.
check "apt-get install ./$(basename "$cli_deb") ./$(basename "$deb")" \
  apt-get install -y --no-install-recommends "$cli_deb" "$deb"
version_or_help() { /usr/bin/quorlix-cli --version || /usr/bin/quorlix-cli --help; }
check "/usr/bin/quorlix-cli --version (or --help)" version_or_help
check "/usr/bin/quorlix-cli words --count 3" lines_of 3 /usr/bin/quorlix-cli words --count 3
check "/usr/bin/quorlix without a display says to use quorlix-cli" \
  bash -c 'out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/quorlix 2>&1)"; [ $? = 1 ] &&
    [ "$out" = "quorlix: no display (DISPLAY/WAYLAND_DISPLAY unset); use quorlix-cli" ]'
check "apt-get remove quorlix" apt-get remove -y quorlix
check "/usr/bin/quorlix is gone" test ! -e /usr/bin/quorlix
check "quorlix-cli still works without the desktop program" lines_of 3 /usr/bin/quorlix-cli words --count 3
check "apt-get remove quorlix-cli" apt-get remove -y quorlix-cli
check "/usr/bin/quorlix-cli is gone" test ! -e /usr/bin/quorlix-cli
check "/usr/share/quorlix is gone" test ! -e /usr/share/quorlix

if [ "$failed" -gt 0 ]; then
  echo "package-test: $failed of $((passed + failed)) checks FAILED"
  exit 1
fi
echo "package-test: all $passed checks good"
