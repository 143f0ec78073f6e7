#!/bin/bash
# A player's session under Xvfb, driven with xdotool: the title screen, a left click to start,
# steering (right button) and shooting (left button), then sitting still until the predators
# have taken all the energy, the game-over countdown, and the title screen again; Escape quits.
# The run is recorded and its state dumped; the recording is then replayed as fast as possible
# and must end in the same state. Screenshots go to the output folder.
#
# Usage: xvfb-run -a -s "-screen 0 1024x768x24" tests/world/play_session.sh BUILD_DIR OUT_DIR
set -u
BIN="$1/bin"
OUT="$2"
mkdir -p "$OUT"
export ALSOFT_DRIVERS=null
"$BIN/gloopa" --windowed --record "$OUT/play.demo" --statdump "$OUT/play.json" \
  >"$OUT/game.log" 2>&1 &
GAME=$!
sleep 3
WIN=$(xdotool search --name OpenGL | head -1)
shot() { import -window root "$OUT/$1.png"; }
xdotool mousemove --window "$WIN" 512 384
sleep 1.5
shot 01_title
xdotool click 1
sleep 1
xdotool mousemove --window "$WIN" 800 250 mousedown 3 mousedown 1
sleep 2.5
shot 02_play
xdotool mousemove --window "$WIN" 300 200
sleep 2
xdotool mousemove --window "$WIN" 250 600
sleep 2
shot 03_play
xdotool mousemove --window "$WIN" 800 600
sleep 2
xdotool mouseup 1 mouseup 3
xdotool mousemove --window "$WIN" 512 384
for i in $(seq -w 1 60); do
  sleep 1
  shot "10_wait$i"
done
xdotool key Escape
wait $GAME || { echo "the game ended with status $?"; exit 1; }
"$BIN/gloopa" --headless --timedemo "$OUT/play.demo" --statdump "$OUT/replay.json" >"$OUT/replay.log" 2>&1
if cmp -s "$OUT/play.json" "$OUT/replay.json"; then
  echo "replay matches the session ($(grep -c . "$OUT/play.demo") demo lines)"
else
  echo "replay differs from the session"
  exit 1
fi
