#!/usr/bin/env bash
# Tests the web page (scripts/build-web.sh) in headless Chromium on SwiftShader:
#   - every demo in tests/world/demos/ replays in the page (?verify=NAME&statdump=1: each of its
#     checks equal) and leaves a state dump byte for byte equal to the Linux build's;
#   - a timed replay (?timedemo=NAME&statdump=1), every step drawn, leaves the same dump, and its
#     timing line is printed (steer_shoot; the long demo with GLOOPA_WEB_TIMEDEMO=1);
#   - the title and a frame of play (the long demo's step 200) drawn in the page are not black and
#     show the arena border where the Linux build draws it (tests/web/pictures.mjs);
#   - a replay at the game's pace (?play=lose&frames=1500&framelog=1) draws its frames between the
#     steps: past the page's start-up their cameras lie on the steps' path at the times shown
#     (build/bin/frame_log_error);
#   - live play, as a person plays (tests/web/drive.mjs play): the canvas draws as many pixels as
#     the page shows, the title shows, a click starts a game that steers and shoots, its cues reach
#     Web Audio and are heard there, and Escape ends the run with status 0;
#   - the loudest sample of live play stays at or below full scale (the page's limiter);
#   - on a phone's screen, by touch: a tap starts a game, one finger steers it toward itself and a
#     second fires, and the run as the hall of fame recorded it replays to the same dump on Linux;
#   - the settings survive a reload (the page keeps them in the browser's storage);
#   - a second visit loads and plays with the network off (the service worker keeps the files);
#   - a missing demo is refused in the console with status 2, as is an empty demo name.
# Usage: tests/web/web-tests.sh [WEB_DIR] [LINUX_BIN_DIR]
#   (defaults: build-web, whose site/ holds the page, and build/bin, whose gloopa makes the
#   reference dumps and pictures).
# The pictures the page drew are kept in WEB_DIR/test-pictures/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
web=$(realpath "${1:-$root/build-web}")
linux_bin=$(realpath "${2:-$root/build/bin}")
here=$root/tests/web

site=$web/site
[ -f "$site/index.html" ] && [ -f "$site/gloopa.wasm" ] || { echo "web-tests: no page in $site" >&2; exit 1; }
[ -x "$linux_bin/gloopa" ] || { echo "web-tests: no Linux build at $linux_bin" >&2; exit 1; }
command -v node >/dev/null || { echo "web-tests: node is missing" >&2; exit 1; }
# shellcheck source=tests/support/linux-reference.sh
. "$root/tests/support/linux-reference.sh"

work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A plain HTTP server on a free port.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" \
    2>/dev/null && break
  sleep 0.2
done
page=http://127.0.0.1:$port/index.html

# Opens the page with QUERY and waits for the run to end; its files land in $work/NAME/.
run_page() {
  local name=$1 query=$2
  node "$here/drive.mjs" run "$page?$query" "$work/$name" "${3:-900}" >"$work/$name.drive" 2>&1
}

compare_dump() {
  local label=$1 name=$2 dir=$work/$3
  local ref=$work/$name.linux.json
  [ -f "$ref" ] || linux_dump "$root/tests/world/demos/$name.demo" "$ref" ||
    { fail "$label" "the Linux build failed"; return; }
  if [ ! -f "$dir/status" ]; then
    fail "$label" "the page did not finish: $(tail -q -n 3 "$dir/console.txt" "$work/$3.drive" 2>/dev/null)"
  elif [ "$(cat "$dir/status")" != 0 ]; then
    fail "$label" "status $(cat "$dir/status"): $(tail -n 3 "$dir/log.txt")"
  else
    compare_with_linux "$label" "$(grep -o '^\(verify\|timedemo\): .*' "$dir/log.txt")" "$ref" \
      "$dir/statdump.json" "$web/dump-diffs" "$name" web
  fi
}

for demo in "$root"/tests/world/demos/*.demo; do
  name=$(basename "$demo" .demo)
  start=$(date +%s)
  run_page "verify-$name" "verify=$name&statdump=1"
  compare_dump "$name (verify, $(($(date +%s) - start)) s in Chromium)" "$name" "verify-$name"
done

# Every step drawn changes nothing: a short demo's timed replay leaves the same dump. The long
# demo's takes a quarter of an hour on SwiftShader, and runs with GLOOPA_WEB_TIMEDEMO=1.
timed=steer_shoot
[ "${GLOOPA_WEB_TIMEDEMO:-0}" = 1 ] && timed=long
start=$(date +%s)
run_page "timedemo-$timed" "timedemo=$timed&statdump=1" 1800
compare_dump "$timed (timedemo, every step drawn, $(($(date +%s) - start)) s in Chromium)" "$timed" "timedemo-$timed"

# The pictures: the title (start's only step) and a step of the long demo with the snake near the
# arena's top border, by both builds.
mkdir -p "$web/test-pictures"
for shot in "start 1 title" "long 200 play"; do
  read -r name step label <<<"$shot"
  run_page "shot-$label" "timedemo=$name&frames=$step&screenshot=$step"
  (cd "$linux_bin" && SDL_VIDEODRIVER=offscreen "./gloopa" --headless --windowed --frames "$step" \
    --timedemo "$root/tests/world/demos/$name.demo" --screenshot "$step" "$work/$label.linux.png" \
    >/dev/null 2>&1)
  if [ ! -f "$work/shot-$label/shot.png" ]; then
    fail "$label picture" "the page wrote no screenshot: $(tail -n 3 "$work/shot-$label/log.txt" 2>/dev/null)"
  elif [ ! -f "$work/$label.linux.png" ]; then
    fail "$label picture" "the Linux build wrote no screenshot"
  else
    cp "$work/shot-$label/shot.png" "$web/test-pictures/$label.web.png"
    cp "$work/$label.linux.png" "$web/test-pictures/$label.linux.png"
    if figures=$(node "$here/pictures.mjs" "$work/shot-$label/shot.png" "$work/$label.linux.png"); then
      pass "$label picture: $figures"
    else
      fail "$label picture" "$figures"
    fi
  fi
done

# A replay at the game's pace draws its frames between the steps, through the desktop's frame
# function: most frames are drawn between two steps, none repeats the one before, and past the
# page's start-up (which SwiftShader draws too slowly to keep the game's time) their cameras lie
# on the steps' own path at the times they were shown.
paced=lose steps=1500 settled=300
run_page paced "play=$paced&frames=$steps&framelog=1" 120
(cd "$linux_bin" && SDL_VIDEODRIVER=offscreen ./gloopa --headless --windowed --frames "$steps" \
  --timedemo "$root/tests/world/demos/$paced.demo" --frame-log "$work/paced.steps.log" >/dev/null 2>&1)
if [ ! -f "$work/paced/frames.log" ]; then
  fail "paced replay" "the page wrote no frame log: $(tail -n 3 "$work/paced/log.txt" 2>/dev/null)"
elif ! measured=$("$linux_bin/frame_log_error" "$work/paced.steps.log" "$work/paced/frames.log" "$settled"); then
  fail "paced replay" "its frame log could not be measured"
else
  # "frames N moving M rms R delay D repeated K", and the frames drawn between two steps.
  read -r _ frames _ moving _ rms _ delay _ repeated <<<"$measured"
  shown=$(awk '!/^#/' "$work/paced/frames.log" | wc -l)
  between=$(awk '!/^#/ && $3 < 1' "$work/paced/frames.log" | wc -l)
  pace=$(grep -o '^pace: .*' "$work/paced/log.txt")
  if python3 -c "import sys; r, k, b, n = sys.argv[1:]; sys.exit(not (float(r) <= 0.25 and int(k) == 0 and int(b) * 10 >= int(n) * 6))" \
    "$rms" "$repeated" "$between" "$shown"; then
    pass "paced replay of $steps steps ($pace): $shown frames, $between drawn between two steps, none repeated; from step $settled on, cameras $rms of a step's movement off the steps' path (root mean square over $moving moving frames, delay $delay steps)"
  else
    fail "paced replay" "$measured; $between of $shown frames between two steps"
  fi
fi

# Live play: ten seconds of steering and shooting, then ten left alone, then Escape.
node "$here/drive.mjs" play "$page" "$work/live" 10 >"$work/live.drive" 2>&1
live=$work/live
figure() { python3 -c "import json, sys; print(json.load(open(sys.argv[1])).get(sys.argv[2]))" "$live/figures.json" "$1" 2>/dev/null; }
if [ ! -f "$live/figures.json" ]; then
  fail "live play" "the driver gave no figures: $(tail -n 3 "$work/live.drive" "$live/console.txt" 2>/dev/null)"
elif [ "$(figure status)" != 0 ]; then
  fail "live play" "Escape did not end the run with status 0 ($(figure status)): $(tail -n 3 "$live/console.txt")"
elif [ "$(figure canvas)" != "$(figure page)" ]; then
  fail "live play" "the canvas draws $(figure canvas) pixels in a page of $(figure page)"
elif [ "$(figure clipsAfterPlay)" -le "$(figure clipsBeforeClick)" ]; then
  fail "live play" "no cue reached Web Audio in play ($(figure clipsAfterPlay) clips started)"
elif ! python3 -c "import sys; sys.exit(float(sys.argv[1]) < 0.01)" "$(figure loudestSample)"; then
  fail "live play" "the cues were not heard (the loudest sample was $(figure loudestSample))"
elif ! python3 -c "import sys; sys.exit(float(sys.argv[1]) > 1.0)" "$(figure loudestSample)"; then
  fail "live play" "the sound clipped: its loudest sample was $(figure loudestSample), past full scale"
elif ! apart=$(node "$here/pictures.mjs" --apart "$live/title.png" "$live/play-02.png"); then
  fail "live play" "the title and the game are not both drawn: $apart"
else
  cp "$live"/*.png "$web/test-pictures/"
  pass "live play: canvas $(figure canvas) as the page; playable $(figure playableMs) ms after the page was asked for; $(figure clipsAfterPlay) clips started, audio $(figure audioState), loudest sample $(figure loudestSample); title against play: $apart; Escape ended it"
fi

# A phone: a tap starts a game, one finger steers toward itself, a second fires; the run ends at
# step 900 with both down, and the hall of fame's recording of it replays to the same state on
# Linux.
node "$here/drive.mjs" touch "$page?frames=900&statdump=1" "$work/touch" 5 >"$work/touch.drive" 2>&1
touched=$work/touch
if [ ! -s "$touched/statdump.json" ] || [ ! -s "$touched/recorded.demo" ]; then
  fail "touch" "no state dump or recording: $(tail -n 3 "$work/touch.drive" "$touched/console.txt" 2>/dev/null)"
elif ! verdict=$(python3 - "$touched/statdump.json" <<'PY'
import json, math, sys
d = json.load(open(sys.argv[1]))
snake, mouse = d["snake"], d["mouse"]
# A bullet once fired keeps its last place, in flight or not.
bullets = sum(bool(b["active"] or b["x"] or b["y"]) for b in d["bullets"])
toward = math.hypot(snake["x"] - mouse["x"], snake["y"] - mouse["y"]) < math.hypot(mouse["x"], mouse["y"])
print(f'state {d["state"]}, snake at {snake["x"]:.0f}, {snake["y"]:.0f}, finger at {mouse["x"]}, {mouse["y"]}, {bullets} bullets fired')
sys.exit(not (d["state"] == "playing" and mouse["right"] and mouse["left"] and toward and bullets > 0))
PY
); then
  fail "touch" "$verdict"
elif ! linux_dump "$touched/recorded.demo" "$work/touch.linux.json"; then
  fail "touch" "the recording does not verify on Linux"
elif ! cmp -s "$work/touch.linux.json" "$touched/statdump.json"; then
  fail "touch" "the recording replays to another state on Linux"
else
  cp "$touched"/touch-*.png "$web/test-pictures/"
  pass "touch: $verdict; the recording by touch replays to the same state dump on Linux"
fi

# Settings kept across a reload: the volume lowered with the - key is still lower.
node "$here/drive.mjs" persist "$page" "$work/persist" >"$work/persist.drive" 2>&1
if kept=$(python3 -c "
import json, sys
f = json.load(open(sys.argv[1]))
ok = 'volume = 90' in f['before'] and 'volume = 90' in f['after'] and f['gain'] is not None and f['gain'] < 1
print(f\"gain {f['gain']} after the reload\"); sys.exit(not ok)" "$work/persist/figures.json" 2>&1); then
  pass "settings kept in the browser's storage: volume 90 before and after a reload, $kept"
else
  fail "settings across a reload" "$kept $(tail -n 3 "$work/persist/console.txt" 2>/dev/null)"
fi

# Offline: once the service worker keeps the page's files, the page loads and plays with the
# network off, every file of the game answered by the worker.
node "$here/drive.mjs" offline "$page" "$work/offline" >"$work/offline.drive" 2>&1
if offline=$(python3 -c "
import json, sys
f = json.load(open(sys.argv[1]))
served = set(f['servedByWorker'])
ok = f['offlinePlayableMs'] and {'index.html', 'gloopa.js', 'gloopa.wasm', 'gloopa.data'} <= served
print(f\"kept {f['kept']}, playable {f['offlinePlayableMs']} ms after the reload with the network off, served by the worker: {' '.join(sorted(served))}\")
sys.exit(not ok)" "$work/offline/figures.json" 2>&1); then
  pass "offline: $offline"
else
  fail "offline" "$offline $(tail -n 3 "$work/offline.drive" 2>/dev/null)"
fi

# Refusals: a demo that is not there, and no demo name at all.
run_page missing "timedemo=no_such_demo"
if [ "$(cat "$work/missing/status" 2>/dev/null)" = 2 ] &&
  grep -q "cannot read the demo .*no_such_demo" "$work/missing/console.txt"; then
  pass "a missing demo is refused in the console: $(grep -m 1 "cannot read the demo" "$work/missing/console.txt")"
else
  fail "missing demo" "status $(cat "$work/missing/status" 2>/dev/null); $(cat "$work/missing/console.txt" 2>/dev/null)"
fi
run_page empty "verify="
if [ "$(cat "$work/empty/status" 2>/dev/null)" = 2 ] && grep -q "a demo name is needed" "$work/empty/console.txt"; then
  pass "an empty demo name is refused in the console"
else
  fail "empty demo name" "status $(cat "$work/empty/status" 2>/dev/null); $(cat "$work/empty/console.txt" 2>/dev/null)"
fi

echo "web: $passed passed, $failed failed"
[ $failed -eq 0 ]
