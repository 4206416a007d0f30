#!/usr/bin/env bash
# Starts the real program on the virtual display, finds its window, keeps a
# screenshot of it, closes it with Esc and the exit question as a person
# would, and checks that the settings file was written. Then starts it again
# and has the system end it (a closed terminal) while the exit question is
# open.
# Usage: run_program_test.sh PROGRAM SCREENSHOT_DIR
set -euo pipefail
program=$1
shots=$2
mkdir -p "$shots"
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT

# Waits up to 20 s for a window whose whole title is $1; prints its id.
find_window() {
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "no window titled '$1'" >&2
  return 1
}

screenshot() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" -frames:v 1 "$2"
}

# Waits up to 10 s for the program to end.
wait_for_end() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "the program did not close $1" >&2
    exit 1
  fi
  wait "$pid"
}

export HOME=$home XDG_CONFIG_HOME=$home/config LOCALAPPDATA=$home/data TEMP=$home/tmp
"$program" &
pid=$!
main=$(find_window Orlevane)
sleep 1  # let the window paint before it is photographed
screenshot "$main" "$shots/main_window.png"

xdotool windowfocus --sync "$main"
xdotool key Escape
question=$(find_window Warning)
screenshot "$question" "$shots/exit_question.png"
# OK is the right half of the button row along the question's bottom edge.
eval "$(xdotool getwindowgeometry --shell "$question")"
xdotool mousemove --sync $((X + WIDTH * 3 / 4)) $((Y + HEIGHT - 15)) click 1
wait_for_end "after the exit question"
size=$(stat -c %s "$home/data/Wuvo.cfg")
[ "$size" -eq 7820 ] || { echo "settings file has $size bytes" >&2; exit 1; }
[ -f "$home/data/Wuvo.log" ] || { echo "no log file" >&2; exit 1; }

# The question is cancelled, no other is asked, and the log is written as
# the close writes it.
rm "$home/data/Wuvo.log"
"$program" &
pid=$!
main=$(find_window Orlevane)
xdotool windowfocus --sync "$main"
xdotool key Escape
find_window Warning >/dev/null
kill -HUP "$pid"
wait_for_end "when its terminal closed"
[ -f "$home/data/Wuvo.log" ] || { echo "no log file after the end by a signal" >&2; exit 1; }
echo "window, screenshots, settings file and the end by a signal: ok"
