#!/bin/sh
# Run under Xvfb: the game in a real window, recording, closed through its window after some
# frames; the demo and the state dump must both be written, and agree on the frames played.
#   window_close.sh GAME CLOSE_WINDOW WORK_DIR
set -eu
game=$1 close=$2 work=$3
mkdir -p "$work"
rm -f "$work/closed.demo" "$work/closed.json"
"$game" --windowed --record "$work/closed.demo" --statdump "$work/closed.json" &
pid=$!
# Wait for the recording to be under way, then ask the window to close.
i=0
until [ "$(wc -l <"$work/closed.demo.part" 2>/dev/null || echo 0)" -ge 1 ] && "$close" OpenGL; do
  i=$((i + 1))
  [ $i -lt 300 ] || { kill $pid; echo "the window never opened"; exit 1; }
  sleep 0.1
done
status=0
wait $pid || status=$?
[ $status -eq 0 ] || { echo "the game ended with status $status"; exit 1; }
[ ! -e "$work/closed.demo.part" ] || { echo "the journal was left behind"; exit 1; }
head -1 "$work/closed.demo" | grep -qx 'gloopa-demo 2' || { echo "no demo"; exit 1; }
# Frames in the demo: the counts of its state lines (1 where left out).
demo_frames=$(awk 'NR > 1 && !/^#/ && $1 != "check" { n += (NF == 5 ? $5 : 1) } END { print n }' "$work/closed.demo")
dump_frames=$(sed -n 's/^{"frames":\([0-9]*\),.*/\1/p' "$work/closed.json")
[ -n "$dump_frames" ] && [ "$dump_frames" -gt 0 ] || { echo "no state dump"; exit 1; }
[ "$demo_frames" -eq "$dump_frames" ] ||
  { echo "the demo holds $demo_frames frames, the dump $dump_frames"; exit 1; }
tail -n 1 "$work/closed.demo" | grep -q "^check $dump_frames " ||
  { echo "the demo does not end with a check of its last step"; exit 1; }
echo "closed after $dump_frames frames; demo and state dump written"
