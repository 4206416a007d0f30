#!/usr/bin/env bash
# The whole road of a user on the real program: four camera files (one of
# them damaged, one copied half way) through the file chooser, an output
# folder, Stamp, the report, the outputs and the log.
# Usage: run_stamp_as_a_user_test.sh PROGRAM FIXTURES SHOTS
set -euo pipefail
program=$1
fixtures=$2
shots=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$shots"
home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/in" "$home/out"
cp "$fixtures/long.mp4" "$fixtures/hevc_newyear.mov" "$home/in/"
head -c 200000 "$fixtures/long.mp4" > "$home/in/damaged.mp4"
# Its tables list 60 frames; the copy ends with the data of the 29th.
IFS=, read -r size pos < <(ffprobe -v error -select_streams v:0 -show_entries packet=size,pos -of csv=p=0 \
  "$fixtures/hevc_faststart.mp4" | sed -n 29p)
head -c $((pos + size)) "$fixtures/hevc_faststart.mp4" > "$home/in/half_copied.mp4"

export HOME=$home XDG_CONFIG_HOME=$home/config LOCALAPPDATA=$home/data TEMP=$home/tmp
"$program" &
pid=$!
report=$(/usr/bin/python3 "$here/stamp_as_a_user.py" "$shots" "$home/out" \
  "$home/in/long.mp4" "$home/in/damaged.mp4" "$home/in/half_copied.mp4" "$home/in/hevc_newyear.mov")
wait "$pid"

fail() { echo "$*" >&2; exit 1; }
[[ $report == *"2 out of 4 files stamped successfully, view log for detail."* ]] || fail "report: $report"
frames() { ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1"; }
[ "$(frames "$home/out/long.mp4")" = "$(frames "$home/in/long.mp4")" ] || fail "long.mp4 lost frames"
[ "$(frames "$home/out/hevc_newyear.mp4")" = "$(frames "$home/in/hevc_newyear.mov")" ] || fail "hevc_newyear lost frames"
[ ! -e "$home/out/damaged.mp4" ] || fail "a failed file left an output"
[ ! -e "$home/out/half_copied.mp4" ] || fail "a file copied half way left an output"
log=$home/data/Wuvo.log
grep -qxF "	Input file:  $home/in/damaged.mp4" "$log" || fail "no input line for the damaged file"
grep -qxF "	Output file: $home/out/long.mp4" "$log" || fail "no output line for long.mp4"
grep -qxF "29 of the 60 frames listed could be read from <$home/in/half_copied.mp4>" "$log" ||
  fail "no word of what the file copied half way lacks"
[ "$(grep -c '^========== .* ==========$' "$log")" -eq 5 ] || fail "time lines: $(grep -c '^==========' "$log")"
echo "stamped as a user: $report"
