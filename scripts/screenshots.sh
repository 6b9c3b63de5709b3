#!/usr/bin/env bash
# Screenshots of the window that compare pixel by pixel between two builds, for a
# change that must not change what the operator sees.
#
#   scripts/screenshots.sh shoot BUILD OUT
#       Takes the shots of BUILD/bin/voltcheck into the folder OUT.
#   scripts/screenshots.sh compare A B OUT
#       Takes the shots of A into OUT/a and of B into OUT/b (A or B may instead be a
#       folder of shots taken before: they are used as they are), then says per shot
#       whether the pixels are identical; a shot that differs gets OUT/diff/SHOT.png
#       (ImageMagick's compare picture) and the bounding box of its differing pixels.
#       Exit status 0 when every shot is identical, 1 otherwise.
#
# The shots (PNG): multimeter-idle (the module found and opened), multimeter-measuring
# (after START, frames of constant readings), coefficients and verification (the two
# hidden pages, their tabs offered), instruments (the hidden generator and multimeter
# panel, drawn by the program into its own picture: on screen it lies below the
# trimmed page). They are taken on a virtual 1920x1080x24 screen (Xvfb) against zebsim
# with scripts/screenshots/scenario.json, whose levels read the same in every frame:
# no noise, and a sine with whole periods in every frame. A shot is taken once the
# window has stopped changing. Nothing is masked. The hidden parts are reached through
# scripts/screenshots/ShotHelper.cpp, loaded into the program with LD_PRELOAD (built
# here with the system's Qt), so that an older build needs no switch of its own.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
here="$root/scripts/screenshots"
shots=(multimeter-idle multimeter-measuring coefficients verification instruments)

usage() {
  sed -n '4,13p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# Waits until the picture of window $2 stays the same over $3 seconds (at least $4
# seconds in all, at most 60), then keeps it as $1.
settle() {
  local out="$1" window="$2" interval="$3" least="$4" last="$tmp/last.png" now="$tmp/now.png"
  sleep "$least"
  import -display "$DISPLAY" -window "$window" -strip "png:$last"
  for _ in $(seq 60); do
    sleep "$interval"
    import -display "$DISPLAY" -window "$window" -strip "png:$now"
    if [ "$(compare -metric AE "$last" "$now" null: 2>&1 || true)" = "0" ]; then
      mv "$now" "$out"
      return 0
    fi
    mv "$now" "$last"
  done
  echo "The window did not settle for $out" >&2
  return 1
}

# Sends a key to the program's window.
key() { xdotool windowfocus --sync "$window" key --clearmodifiers "$1"; }

shoot() {
  local build="$1" out="$2"
  local bin="$build/bin"
  [ -x "$bin/voltcheck" ] || { echo "$bin/voltcheck is not built" >&2; exit 1; }
  [ -x "$bin/zebsim" ] || { echo "$bin/zebsim is not built" >&2; exit 1; }
  mkdir -p "$out"
  out="$(cd "$out" && pwd)"

  local pids=()
  tmp="$(mktemp -d)"
  # shellcheck disable=SC2317  # called by the trap
  cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$tmp"
  }
  trap cleanup EXIT

  # shellcheck disable=SC2046  # pkg-config gives several words
  g++ -std=c++17 -fPIC -shared -O1 $(pkg-config --cflags Qt6Widgets) "$here/ShotHelper.cpp" \
    -o "$tmp/shothelper.so" $(pkg-config --libs Qt6Widgets)

  # The program from a copy with settings of its own: DC mode, channel 3 off; the
  # settings beside the built program stay untouched.
  mkdir "$tmp/app"
  cp "$bin/voltcheck" "$tmp/app/"
  iconv -f UTF-8 -t CP1251 > "$tmp/app/Voltcheck.ini" <<'INI'
[Приложение. Общие]
Сохранение настроек=0
[Модуль ZEB44]
АЦП. Групповое управление каналами=0
АЦП. Управление каналом 3=0
INI

  # The X server picks a free display and writes its number to fd 3 once it answers;
  # -noreset: it never resets between the program's connections.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  [ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; exit 1; }
  DISPLAY=":$(head -n 1 "$tmp/display")"
  export DISPLAY
  unset XAUTHORITY

  "$bin/zebsim" --port 0 --port-file "$tmp/port" --scenario "$here/scenario.json" 2>"$tmp/zebsim.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/port" ] && break; sleep 0.1; done
  [ -s "$tmp/port" ] || { cat "$tmp/zebsim.log" >&2; exit 1; }

  # The pointer rests in the screen's corner, off the window: no hover, no tooltip.
  xdotool mousemove 1919 1079
  ZEB_SERVER_PORT="$(cat "$tmp/port")" LD_PRELOAD="$tmp/shothelper.so" VOLTCHECK_SHOT_PANEL="$out/instruments.png" \
    "$tmp/app/voltcheck" >"$tmp/voltcheck.log" 2>&1 &
  pids+=($!)
  # --sync waits for the window; timeout bounds the wait.
  window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Voltcheck' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] || { echo "The program's window did not appear" >&2; cat "$tmp/voltcheck.log" >&2; exit 1; }
  rm -f "$out"/*.png

  settle "$out/multimeter-idle.png" "$window" 1 3
  # START (the button's middle in the window); frames of 1 s follow.
  xdotool mousemove --window "$window" 752 40 click 1 mousemove 1919 1079
  settle "$out/multimeter-measuring.png" "$window" 2.5 5
  key Escape
  key ctrl+shift+F10
  settle "$out/coefficients.png" "$window" 1 1
  key ctrl+shift+F11
  settle "$out/verification.png" "$window" 1 1
  key ctrl+shift+F9
  key ctrl+shift+F12
  for _ in $(seq 50); do [ -s "$out/instruments.png" ] && break; sleep 0.1; done
  [ -s "$out/instruments.png" ] || { echo "The instrument panel was not written" >&2; exit 1; }
  # The same metadata-free form as the window's shots.
  convert "$out/instruments.png" -strip "png:$out/instruments.png"
  for s in "${shots[@]}"; do echo "$out/$s.png"; done
  cleanup
  trap - EXIT
}

# Shots of $1 (a build folder, or a folder of shots) in the folder $2.
shots_of() {
  if [ -x "$1/bin/voltcheck" ]; then
    shoot "$1" "$2"
  else
    mkdir -p "$2"
    for s in "${shots[@]}"; do cp "$1/$s.png" "$2/"; done
  fi
}

compare_all() {
  local out="$3" differ=0
  shots_of "$1" "$out/a" >/dev/null
  shots_of "$2" "$out/b" >/dev/null
  mkdir -p "$out/diff"
  rm -f "$out/diff"/*.png
  for s in "${shots[@]}"; do
    local a="$out/a/$s.png" b="$out/b/$s.png" count
    if [ "$(identify -format '%wx%h' "$a")" != "$(identify -format '%wx%h' "$b")" ]; then
      echo "$s: differs in size ($(identify -format '%wx%h' "$a") and $(identify -format '%wx%h' "$b"))"
      differ=1
      continue
    fi
    count="$(compare -metric AE "$a" "$b" "$out/diff/$s.png" 2>&1 || true)"
    if [ "$count" = "0" ]; then
      echo "$s: identical"
      rm -f "$out/diff/$s.png"
    else
      # The bounding box WxH+X+Y of the differing pixels.
      local box
      box="$(convert "$a" "$b" -compose difference -composite -colorspace gray -threshold 0 -format '%@' info:)"
      echo "$s: $count pixels differ, within $box; see $out/diff/$s.png"
      differ=1
    fi
  done
  return "$differ"
}

case "${1:-}" in
  shoot) [ $# -eq 3 ] || usage; shoot "$2" "$3" ;;
  compare) [ $# -eq 4 ] || usage; compare_all "$2" "$3" "$4" ;;
  *) usage ;;
esac
