#!/usr/bin/env bash
# The real program on a virtual X display, driven with xdotool and checked through
# screenshots. Each case gets its own display (Xvfb picks a free number) and its own HOME, so
# the user's preferences are never touched.
#
#   gui_test.sh QUILLMAP MESHGEN CASE
#
# Cases: start-with-model, preferences-escape, quit-guard, startup-recovery.
# Exit status 77 (skipped) when Xvfb is not installed.
set -euo pipefail

quillmap=$1
meshgen=$2
case_name=$3

if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed: skipped"
  exit 77
fi
for tool in xdotool /usr/bin/import /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)"; exit 1; }
done

work=$(mktemp -d /tmp/quillmap_gui.XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/app.log" ] && { echo "--- program output"; cat "$work/app.log"; }
  exit 1
}

# A display of our own: Xvfb writes the free number it chose to fd 3.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work/home"
mkdir -p "$HOME"
unset WAYLAND_DISPLAY GDK_BACKEND
# In a sanitizer build: fontconfig, pango and GTK keep caches until the process ends, which the
# leak checker would report at every exit. Memory errors are still caught; leaks of our own
# code are checked by the unit and flow tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

start() {
  "$quillmap" "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
}

# Waits for a visible window whose whole title matches the pattern; prints its id.
wait_window() {
  local pattern=$1 id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for '$pattern'"
    sleep 0.1
  done
  fail "no window '$pattern'"
}

wait_gone() {
  local pattern=$1
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window '$pattern' still open"
}

# Keys go to the focused window; without a window manager we give the focus ourselves.
keys_to() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window"
  xdotool key "$@"
}

# How many pixels of the window have the colour "r,g,b".
pixels_of() {
  local shot=$1 colour=$2
  /usr/bin/convert "$shot" -format %c histogram:info:- |
    awk -v c="($colour)" 'index($0, c) { n += $1 } END { print n + 0 }'
}

screenshot() {
  /usr/bin/import -display "$DISPLAY" -window "$1" "$2"
}

"$meshgen" cube "$work/cube.obj" >/dev/null || fail "meshgen"
main_title='^Quillmap - cube \(not saved\) \*$'

case $case_name in
start-with-model)
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  [ "$(xdotool getwindowname "$main")" = "Quillmap - cube (not saved) *" ] || fail "title"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  [ "$WIDTH" = 1000 ] && [ "$HEIGHT" = 820 ] || fail "window size ${WIDTH}x$HEIGHT"
  sleep 0.5
  screenshot "$main" "$work/main.png"
  # The UV view: the dark fill, the grey border, and edges in the Surface colours (Surface 0
  # is red 255, green 60, blue 60).
  fill=$(pixels_of "$work/main.png" "32,32,32")
  border=$(pixels_of "$work/main.png" "90,90,90")
  surface0=$(pixels_of "$work/main.png" "255,60,60")
  echo "fill $fill, border $border, surface 0 $surface0"
  [ "$fill" -gt 300000 ] || fail "too little background: $fill"
  [ "$border" -gt 1400 ] || fail "no border: $border"
  [ "$surface0" -gt 100 ] || fail "no Surface 0 edges: $surface0"
  ;;

preferences-escape)
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  prefs="$HOME/.Quillmap/Quillmap.prefs"
  before=$(md5sum <"$prefs")
  keys_to "$main" ctrl+p
  dialog=$(wait_window '^Preferences$')
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  [ "$WIDTH" = 500 ] && [ "$HEIGHT" = 284 ] || fail "Preferences size ${WIDTH}x$HEIGHT"
  # Change something first: Escape must throw it away.
  keys_to "$dialog" ctrl+a BackSpace
  xdotool type --delay 20 "/elsewhere"
  keys_to "$dialog" Escape
  wait_gone '^Preferences$'
  [ "$(md5sum <"$prefs")" = "$before" ] || fail "Escape changed the preferences"
  # The main window takes keys again.
  keys_to "$main" ctrl+p
  dialog=$(wait_window '^Preferences$')
  keys_to "$dialog" Escape
  wait_gone '^Preferences$'
  ;;

quit-guard)
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+q
  guard=$(wait_window '^Quillmap$')
  screenshot "$guard" "$work/guard.png"
  # The warning icon of the default theme is orange.
  orange=$(/usr/bin/convert "$work/guard.png" -fx 'r>0.8 && g>0.4 && g<0.7 && b<0.3 ? 1 : 0' \
    -format '%[fx:mean*w*h]' info:)
  [ "${orange%.*}" -gt 50 ] || fail "no warning icon ($orange)"
  keys_to "$guard" Escape  # Cancel: the program stays
  wait_gone '^Quillmap$'
  sleep 0.3
  kill -0 "$app_pid" 2>/dev/null || fail "Cancel quit the program"
  keys_to "$main" ctrl+q
  guard=$(wait_window '^Quillmap$')
  keys_to "$guard" alt+n  # No: quit without saving
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "No did not quit"
  wait "$app_pid" || fail "exit status $?"
  app_pid=""
  grep -q '^TexW = 512$' "$HOME/.Quillmap/Quillmap.prefs" || fail "settings not stored on quit"
  grep -q '^Merge = 1$' "$HOME/.Quillmap/Quillmap.prefs" || fail "settings not stored on quit"
  ;;

startup-recovery)
  # An autosave of a never-saved project, made through the batch mode.
  mkdir -p "$HOME/.Quillmap"
  "$quillmap" --batch "$work/cube.obj" --save "$HOME/.Quillmap/untitled.autosave.qmap" \
    >/dev/null 2>&1 || fail "batch save"
  start
  # The main window (still titled "Quillmap") and the question over it, told apart by size.
  question=""
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name '^Quillmap$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$id")"
      [ "$WIDTH" != 1000 ] && question=$id
    done
    [ -n "$question" ] && break
    sleep 0.1
  done
  [ -n "$question" ] || fail "no recovery question"
  keys_to "$question" alt+y
  main=$(wait_window "$main_title")
  [ -n "$main" ] || fail "restored project"
  ;;

*)
  fail "unknown case $case_name"
  ;;
esac
echo "PASS: $case_name"
