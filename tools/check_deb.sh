#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, checks the installed
# programs, book, manual pages and xboard plugin, plays a short xboard match
# through polyglot, removes the package and checks that nothing is left.
# Needs root (apt); installs xboard, polyglot, xvfb and fairymax when missing.
#
# usage: tools/check_deb.sh [GAMES]     (GAMES: match games, 2 by default)
# CHECK_DEB_WHILE_INSTALLED="command" runs that command while the package is
# installed (for instance the test suite), and fails when it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
games=${1:-2}
package=quentaro-chess
export PATH="$PATH:/usr/games"

fail() { echo "check_deb: FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

if dpkg -s "$package" >/dev/null 2>&1; then
    fail "$package is already installed; remove it first"
fi
for tool in xboard polyglot Xvfb xvfb-run fairymax; do
    if ! command -v "$tool" >/dev/null; then
        step "installing xboard, polyglot, xvfb and fairymax"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xboard polyglot xvfb xauth fairymax
        break
    fi
done

step "make deb"
make deb >/dev/null
deb=$(ls build-deb/${package}_*.deb | head -n 1)
[ -f "$deb" ] || fail "no package built"
dpkg -I "$deb" | sed -n '/Package:/p;/Version:/p;/Depends:/p'
mapfile -t files < <(dpkg -c "$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
mapfile -t dirs < <(dpkg -c "$deb" | awk '$1 ~ /^d/ {sub(/^\./, "", $6); sub(/\/$/, "", $6); print $6}')
# Folders that existed before the install stay; the package's own must go.
new_dirs=()
for d in "${dirs[@]}"; do [ -n "$d" ] && [ ! -e "$d" ] && new_dirs+=("$d"); done
echo "${#files[@]} files, ${#new_dirs[@]} new folders"

scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$scratch"
    if dpkg -s "$package" >/dev/null 2>&1; then apt-get remove -y -qq "$package" >/dev/null || true; fi
}
trap cleanup EXIT

step "apt install ./$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
for f in "${files[@]}"; do [ -e "$f" ] || fail "$f not installed"; done

step "programs on the path"
for p in chess_main chess_variant chess_uci chess_book; do
    [ "$(command -v "$p")" = "/usr/games/$p" ] || fail "$p is not /usr/games/$p"
    "$p" --version
    "$p" --help >/dev/null || fail "$p --help"
    status=0; "$p" --no-such-option 2>/dev/null || status=$?
    [ "$status" = 2 ] || fail "$p --no-such-option: status $status"
done

step "chess_main from an empty folder plays a book move"
mkdir "$scratch/empty"
out=$(cd "$scratch/empty" && printf '0\n1\n0\nE2E4\nQUIT\n\n' | chess_main | tr -d '\r')
echo "$out" | grep -q '^USING OPENING MOVE# ' || fail "no book move"
echo "$out" | grep -m1 '^BLACK ' || true
[ -z "$(ls -A "$scratch/empty")" ] || fail "the session left files behind"

step "man 6 chess_main"
for p in chess_main chess_variant chess_uci chess_book; do
    man -w 6 "$p" >/dev/null || fail "no manual page for $p"
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$(man -w 6 "$p")" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $p warns: $warnings"
done
man 6 chess_main 2>/dev/null | col -b | sed -n '1,4p'

step "xboard lists the engine from its plugin folder"
plugin=/usr/share/games/plugins/uci/$package.eng
cat "$plugin"
mkdir "$scratch/home"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
HOME="$scratch/home" DISPLAY="$display" xboard -settingsFile "$scratch/xboardrc" \
    -saveSettingsFile "$scratch/xboardrc" -saveSettingsOnExit true >/dev/null 2>&1 &
xboard_pid=$!
sleep 4
kill -TERM "$xboard_pid"
wait "$xboard_pid" || true
kill "$xvfb_pid"; wait "$xvfb_pid" 2>/dev/null || true; xvfb_pid=
grep -q '^/usr/games/chess_uci -fUCI$' "$scratch/xboardrc" || fail "xboard did not list the engine"
grep '^/usr/games/chess_uci' "$scratch/xboardrc"

step "xboard match through polyglot: $games games, 1 second a move, against fairymax"
# Without -popupExitMessage false xboard waits for the final score's popup to
# be closed. Both engines work in the empty folder: the book is the installed one.
(cd "$scratch/empty" && HOME="$scratch/home" timeout $((games * 600)) xvfb-run -a xboard \
    -matchMode true -matchGames "$games" -searchTime 0:01 -fcp chess_uci -fUCI \
    -fd "$scratch/empty" -scp fairymax -sd "$scratch/empty" -autoCallFlag false -noGUI \
    -popupExitMessage false -saveGameFile "$scratch/match.pgn" -debugMode true \
    -nameOfDebugFile "$scratch/xboard.debug" >"$scratch/xboard.out" 2>&1) ||
    fail "the match did not run to its end"
grep '^xboard: Match' "$scratch/xboard.out" || true
results=$(grep -c '^\[Result "\(1-0\|0-1\|1/2-1/2\)"\]' "$scratch/match.pgn" || true)
[ "$results" = "$games" ] || fail "$results of $games games finished"
grep '^\[White\|^\[Black\|^\[Result' "$scratch/match.pgn" | paste - - -
# polyglot hands the engine's "info string book move ..." on as thinking output.
book=$(grep -c '<first : .*book move' "$scratch/xboard.debug" || true)
[ "$book" -gt 0 ] || fail "the engine played no book move in xboard"
echo "book moves of chess_uci in the match: $book"
[ -z "$(ls -A "$scratch/empty")" ] || fail "the match left files in the engines' folder"

if [ -n "${CHECK_DEB_WHILE_INSTALLED:-}" ]; then
    step "while installed: $CHECK_DEB_WHILE_INSTALLED"
    bash -c "$CHECK_DEB_WHILE_INSTALLED" || fail "the command failed with the package installed"
fi

step "apt remove $package"
apt-get remove -y -qq "$package" >/dev/null
dpkg -s "$package" >/dev/null 2>&1 && fail "still installed"
for f in "${files[@]}" "${new_dirs[@]}"; do [ ! -e "$f" ] || fail "$f left behind"; done
echo "check_deb: all checks passed"
