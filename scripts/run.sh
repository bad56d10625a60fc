#!/usr/bin/env bash
# Builds everything, starts the sample catalogue server, runs Zentara against it and stops the
# server when Zentara ends. The server logs every request it answers, so you can watch the
# program talk.
#
# With a display (DISPLAY set) Zentara opens on it and runs until you close it. Without one it
# runs under Xvfb: once the first search has been listed, a screenshot of the main window is
# saved (default <build dir>/screenshot-main.png) and Zentara is ended.
#
# Usage: scripts/run.sh [--screenshot PATH] [--build-dir DIR]
#   --build-dir DIR   build in DIR (RelWithDebInfo) instead of the default preset's build/default
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=""
build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --build-dir) build="$2"; shift 2 ;;
    *) echo "usage: $0 [--screenshot PATH] [--build-dir DIR]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh
if [ -z "$build" ]; then
  build=build/default
  cmake --preset default >/dev/null
  cmake --build --preset default
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -- -j2
fi
[ -n "$screenshot" ] || screenshot="$build/screenshot-main.png"
server_binary="$build/tools/sample-sites/zentara-sample-sites"
program="$build/src/app/zentara"
server_log="$build/sample-sites.log"

server_pid=""
xvfb_pid=""
program_pid=""
stop_all() {
  for pid in "$program_pid" "$server_pid" "$xvfb_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# The server's log goes to the terminal and to $server_log.
: > "$server_log"
"$server_binary" > >(tee "$server_log") 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^ready$' "$server_log" && break
  kill -0 "$server_pid" 2>/dev/null || { echo "the sample server did not start" >&2; exit 1; }
  sleep 0.1
done
grep -q '^ready$' "$server_log" || { echo "the sample server did not get ready" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  set +e
  "$program"
  status=$?
  set -e
  echo "Zentara ended with exit code $status"
  exit "$status"
fi

# No display: Xvfb on a display number that nothing answers on yet.
for _ in $(seq 10); do
  candidate=":$((200 + RANDOM % 700))"
  DISPLAY="$candidate" xdotool getdisplaygeometry >/dev/null 2>&1 && continue
  Xvfb "$candidate" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    DISPLAY="$candidate" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
  done
  if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY="$candidate" xdotool getdisplaygeometry >/dev/null 2>&1; then
    export DISPLAY="$candidate"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "Xvfb did not start" >&2; exit 1; }
export QT_QPA_PLATFORM=xcb

"$program" &
program_pid=$!
window=$(timeout 20 xdotool search --sync --name '^Zentara  ver:1\.0$' | head -n 1) || true
[ -n "$window" ] || { echo "Zentara's main window did not appear" >&2; exit 1; }

# The first search starts right after the version check; its rows follow 20 ms apart.
for _ in $(seq 100); do
  grep -q '/inc/ldg_sea.php?wd= body=0 -> 200' "$server_log" && break
  sleep 0.1
done
sleep 2
mkdir -p "$(dirname "$screenshot")"
import -display "$DISPLAY" -window "$window" "$screenshot"
echo "Screenshot of the main window saved to $screenshot"
