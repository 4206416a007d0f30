#!/usr/bin/env bash
# The whole road of a user on the real program: four camera files (one of
# them damaged, one copied half way) through the file chooser, an output
# folder, Stamp, the report, the outputs and the log. Then a batch that the
# system ends (logout, shutdown, kill) while it writes.
# Usage: run_stamp_as_a_user_test.sh PROGRAM FIXTURES SHOTS
set -euo pipefail
program=$1
fixtures=$2
shots=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/program_ends.sh"
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
"$program" 2>"$home/stderr" &
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
# The media libraries' chatter on files they handle well stays off the terminal.
! grep -E "Qavg|deprecated pixel format" "$home/stderr" || fail "the media libraries talk on the terminal"

# Ended by the system while it stamps, with output naming on: the batch
# stops as Stop stops it, nothing half written or temporary stays in the
# output folder, and the settings and the log are saved, without a question.
mkdir -p "$home/out_ended"
for n in 1 2 3; do cp "$fixtures/long.mp4" "$home/in/clip$n.mp4"; done
/usr/bin/python3 - "$here" "$home/data/Wuvo.cfg" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
from project_layout import project_file
data = bytearray(project_file("", "", "", {"x": 64, "y": 64, "hasDate": 1, "hasTime": 0}, "", hide_utc_note=0))
data[72:76] = (1).to_bytes(4, "little")  # output naming on
open(sys.argv[2], "wb").write(data)
PY
"$program" &
pid=$!
/usr/bin/python3 "$here/stamp_as_a_user.py" --leave-stamping "$shots" "$home/out_ended" \
  "$home/in/clip1.mp4" "$home/in/clip2.mp4" "$home/in/clip3.mp4"
for _ in $(seq 300); do
  [ -n "$(find "$home/out_ended" -name '.*' -size +100k)" ] && break
  sleep 0.1
done
[ -n "$(find "$home/out_ended" -name '.*' -size +100k)" ] || fail "no output was being written"
sleep 1
kill -TERM "$pid"
sent=$(date +%s%N)
status=0
wait_for_end "still running after SIGTERM" || status=$?
took=$((($(date +%s%N) - sent) / 1000000))
[ "$status" -eq 0 ] || fail "ended by the system, the program exited with $status"
[ "$took" -lt 5000 ] || fail "the program took $took ms to end"
left=$(find "$home/out_ended" \( -name '.*' -o -name 'tmpWuvoout*' \) -printf '%f ')
[ -z "$left" ] || fail "left in the output folder: $left"
for done_file in "$home/out_ended"/*; do
  [ -e "$done_file" ] || continue
  [ "$(frames "$done_file")" = "$(frames "$home/in/clip1.mp4")" ] || fail "$done_file is not whole"
done
kept=$(/usr/bin/python3 -c 'import sys; print(open(sys.argv[1], "rb").read()[7564:7820].decode("utf-16-le").split("\0")[0])' \
  "$home/data/Wuvo.cfg")
[ "$kept" = "$home/out_ended" ] || fail "the settings were not saved: their output folder is '$kept'"
grep -qx "Stamping interrupted." "$log" || fail "the log does not say the batch was interrupted"
echo "stamped as a user: $report; ended by the system after $took ms"
