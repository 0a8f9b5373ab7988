#!/usr/bin/env bash
# A picture of the installed program under a real X server (Xvfb): the main
# window with a sample book and the question a deletion asks, to look at the
# icon theme and Qt's Chinese button texts.
#   scripts/screenshot.sh [BUILD_DIR [OUT.png]]     (default build, BUILD_DIR/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --screenshot
build=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$build/screenshot.png}")
work=$(mktemp -d "${TMPDIR:-/tmp}/velmo-screenshot-XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

DESTDIR=$work/root cmake --install "$build" --prefix /usr > /dev/null
mkdir -p "$work/home" "$work/config" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime \
       VELMO_REGISTRY=$work/registry.sqlite3 ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
cp tests/install/data/book.abu "$work/"

Xvfb -displayfd 3 -screen 0 1000x600x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
pids+=($!)
for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

"$work/root/usr/bin/lisotrex" -Nosplash "$work/book.abu" > "$work/lisotrex.log" 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name 'book' | head -1)
xdotool windowmove "$window" 40 30 windowfocus --sync "$window"
sleep 1
# Select every entry and ask to delete them: a question with Yes and No.
xdotool key --window "$window" ctrl+a Delete
sleep 2
import -window root "$out"
echo "$out"
