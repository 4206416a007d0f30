#!/usr/bin/env bash
# Starts the real program on the virtual display, finds its window, keeps a
# screenshot of it, closes it with Esc and the exit question as a person
# would, and checks that the settings file was written. Then starts it again
# and has the system end it (a closed terminal) while the exit question is
# open. Then, with no folder for the recent projects, closes it with keys and
# has the system end it (logout): no message box holds it after its window.
# Usage: run_program_test.sh PROGRAM SCREENSHOT_DIR
set -euo pipefail
program=$1
shots=$2
source "$(dirname "$0")/program_ends.sh"
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
wait_for_end "the program did not close after the exit question"
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
wait_for_end "the program did not close when its terminal closed"
[ -f "$home/data/Wuvo.log" ] || { echo "no log file after the end by a signal" >&2; exit 1; }

# The recent projects' folder cannot be made: a file stands in its place.
export XDG_CONFIG_HOME=$home/not_a_folder
touch "$XDG_CONFIG_HOME"
"$program" 2>"$home/stderr" &
pid=$!
main=$(find_window Orlevane)
xdotool windowfocus --sync "$main"
xdotool key Escape
question=$(find_window Warning)
xdotool windowfocus --sync "$question"
xdotool key Return
wait_for_end "still running after Esc and Enter, with no folder for the recent projects"
grep -q "configuration file" "$home/stderr" || { echo "stderr does not say why the list was lost" >&2; exit 1; }
"$program" 2>/dev/null &
pid=$!
find_window Orlevane >/dev/null
kill -TERM "$pid"
wait_for_end "still running after SIGTERM, with no folder for the recent projects"
echo "window, screenshots, settings file, the end by a signal and without the recent projects' folder: ok"
