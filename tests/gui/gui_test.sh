#!/usr/bin/env bash
# The real program on a virtual X display, driven with xdotool and checked through
# screenshots. Each case gets its own display (Xvfb picks a free number) and its own HOME, so
# the user's preferences are never touched.
#
#   gui_test.sh QUILLMAP MESHGEN CASE [CLOSE_WINDOW]
#
# Cases: start-with-model, preferences-escape, quit-guard, startup-recovery, shrink,
# file-menu, background-work, unwrap-feedback, window3d, stencil, layout-change, paint,
# layers, colour-choosers, file-choosers, random-input. CLOSE_WINDOW (tests/gui/close_window.c) closes a
# window as its close button does.
# Every case fails when the program writes a Gtk-CRITICAL or Gtk-WARNING. Exit status 77
# (skipped) when a tool is missing, except under CI (CI=true), where the tests must run.
set -euo pipefail

quillmap=$1
meshgen=$2
case_name=$3
close_window=${4:-}

missing=""
for tool in Xvfb xdotool xprop xwininfo /usr/bin/import /usr/bin/convert /usr/bin/compare; do
  command -v "$tool" >/dev/null || missing="$missing $tool"
done
if [ -n "$missing" ]; then
  echo "missing$missing (scripts/setup installs it)"
  [ "${CI:-}" = true ] && { echo "FAIL: the window tests must run under CI"; exit 1; }
  echo "skipped"
  exit 77
fi

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

# On stderr, so that it is seen also from inside $(...).
fail() {
  {
    echo "FAIL: $*"
    [ -f "$work/app.log" ] && { echo "--- program output"; cat "$work/app.log"; }
    # What was on the screen, for a failure that only a loaded machine shows.
    echo "--- windows shown"
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
    done
  } >&2
  exit 1
}

# A display of our own: Xvfb writes the free number it chose to fd 3. Without -noreset the
# server starts over each time its last client leaves (a check before the program starts),
# and a program connecting in that moment is turned away.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
# The number is complete once its line ends; the display is ready once it answers.
for _ in $(seq 100); do (($(wc -l <"$work/display") > 0)) && break; sleep 0.1; done
(($(wc -l <"$work/display") > 0)) || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
export HOME="$work/home"
mkdir -p "$HOME"
unset WAYLAND_DISPLAY GDK_BACKEND
# GTK's own settings (the file requester's) stay in the program: the test display has no
# session bus to store them, and each attempt would print a complaint.
export GSETTINGS_BACKEND=memory
# In a sanitizer build: fontconfig, pango and GTK keep caches until the process ends, which the
# leak checker would report at every exit. Memory errors are still caught; leaks of our own
# code are checked by the unit and flow tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# Every run of the program writes to the same log, checked at the end.
start() {
  "$quillmap" "$@" >>"$work/app.log" 2>&1 &
  app_pid=$!
}

check_log() {
  if grep -E 'Gtk-(CRITICAL|WARNING)' "$work/app.log" >/dev/null; then
    fail "GTK complained"
  fi
}

# Waits until the program has ended by itself; fails on a bad exit status.
wait_exit() {
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not quit"
  wait "$app_pid" || fail "exit status $?"
  app_pid=""
}

# The visible windows whose title matches the pattern, an id a line. xdotool gives up its
# search with an X error, and without the windows it had found, when a window it looks at
# goes away meanwhile (the program drops a requester a second after it closed): such a search
# is made again.
shown_windows() {
  local found
  for _ in $(seq 50); do
    found=$(xdotool search --onlyvisible --name "$1" 2>"$work/search.err") || true
    [ -s "$work/search.err" ] || { [ -z "$found" ] || echo "$found"; return 0; }
  done
  fail "xdotool cannot search the windows: $(cat "$work/search.err")"
}

# Waits for a visible window whose whole title matches the pattern; prints its id.
wait_window() {
  local pattern=$1 id
  for _ in $(seq 200); do
    id=$(shown_windows "$pattern" | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for '$pattern'"
    sleep 0.1
  done
  fail "no window '$pattern'"
}

# Whether the windows whose title matches the pattern are gone within 10 seconds.
gone_soon() {
  for _ in $(seq 100); do
    [ -z "$(shown_windows "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}

wait_gone() {
  gone_soon "$1" || fail "window '$1' still open"
}

# Keys go to the focused window; without a window manager we give the focus ourselves.
keys_to() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window"
  xdotool key "$@"
}

# Raises a window and waits until it is on top: a screenshot taken before would show the
# window that covered it.
raise_window() {
  local id
  id=$(printf '0x%x' "$1")
  xdotool windowraise "$1"
  for _ in $(seq 50); do
    [ "$(xwininfo -root -children | awk '/^ +0x/ { print $1; exit }')" = "$id" ] && return 0
    sleep 0.1
  done
  fail "window $id did not come to the top"
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

# Takes screenshots of a window into a file until the command given after them succeeds
# (it reads the file), for at most 10 seconds.
shoot_until() {
  local window=$1 shot=$2
  shift 2
  for _ in $(seq 50); do
    screenshot "$window" "$shot" 2>/dev/null && "$@" && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
    sleep 0.2
  done
  fail "the window never showed: $*"
}

# How many pixels of a picture, or of its part "WxH+X+Y" when given, pass an fx test.
pixels_where() {
  local shot=$1 crop=$2 test=$3
  /usr/bin/convert "$shot" ${crop:+-crop "$crop" +repage} -fx "$test ? 1 : 0" \
    -format '%[fx:round(mean*w*h)]' info:
}

# The visible window other than the main one with the program's own name: an open menu.
wait_popup() {
  local main=$1 id
  for _ in $(seq 100); do
    for id in $(shown_windows '^quillmap$'); do
      [ "$id" != "$main" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  fail "no menu opened"
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
  # The UV view: the dark fill, the grey border, and edges in the Surface colours (Surface 0
  # is red 255, green 60, blue 60).
  uv_view_drawn() {
    fill=$(pixels_of "$1" "32,32,32")
    border=$(pixels_of "$1" "90,90,90")
    surface0=$(pixels_of "$1" "255,60,60")
    echo "fill $fill, border $border, surface 0 $surface0"
    [ "$fill" -gt 300000 ] && [ "$border" -gt 1400 ] && [ "$surface0" -gt 100 ]
  }
  shoot_until "$main" "$work/main.png" uv_view_drawn "$work/main.png"
  # The model went to the desktop's recent files too (GTK writes them a moment later).
  recent="$HOME/.local/share/recently-used.xbel"
  for _ in $(seq 50); do grep -qF "href=\"file://$work/cube.obj\"" "$recent" 2>/dev/null && break; sleep 0.1; done
  grep -qF "href=\"file://$work/cube.obj\"" "$recent" || fail "not in the desktop's recent files"
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
  # The warning icon of the default theme is orange.
  warning_icon() {
    orange=$(pixels_where "$1" "" 'r>0.8 && g>0.4 && g<0.7 && b<0.3')
    echo "orange $orange"
    [ "$orange" -gt 50 ]
  }
  shoot_until "$guard" "$work/guard.png" warning_icon "$work/guard.png"
  keys_to "$guard" Escape  # Cancel: the program stays and asks again
  wait_gone '^Quillmap$'
  kill -0 "$app_pid" 2>/dev/null || fail "Cancel quit the program"
  keys_to "$main" ctrl+q
  guard=$(wait_window '^Quillmap$')
  keys_to "$guard" alt+n  # No: quit without saving
  wait_exit
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
    for id in $(shown_windows '^Quillmap$'); do
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

shrink)
  # Without a window manager nothing holds the window at its minimum size: the program must
  # neither squeeze its layout nor complain.
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  xdotool windowsize "$main" 600 400
  # GTK puts a window that it sees shrink below its minimum back to that size.
  for _ in $(seq 50); do
    eval "$(xdotool getwindowgeometry --shell "$main")"
    [ "$HEIGHT" -gt 400 ] && break
    sleep 0.1
  done
  echo "after 600x400: ${WIDTH}x$HEIGHT"
  [ "$WIDTH" = 600 ] && [ "$HEIGHT" -gt 780 ] || fail "minimum size ${WIDTH}x$HEIGHT"
  # The whole Info box (246 x 122, white) is on the screen, and a UV view beside it.
  report_shown() {
    white=$(pixels_of "$1" "255,255,255")
    fill=$(pixels_of "$1" "32,32,32")
    echo "white $white, fill $fill"
    [ "$white" -gt 25000 ] && [ "$fill" -gt 60000 ]
  }
  shoot_until "$main" "$work/shrunk.png" report_shown "$work/shrunk.png"
  for size in "300 200" "200 100" "1 1" "700 300"; do
    xdotool windowsize "$main" $size
    sleep 0.3  # time to lay out at this size
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended at $size"
  done
  # Redrawn at a size again before the log is read.
  xdotool windowsize "$main" 1000 820
  shoot_until "$main" "$work/main.png" report_shown "$work/main.png"
  ;;

file-menu)
  # Alt+F opens the File menu; what needs a model is greyed out until one is open. The
  # menu's text is dark (46,52,54) when enabled and grey (146,149,149) when not.
  menu_text() {
    dark=$(pixels_of "$1" "46,52,54")
    grey=$(pixels_of "$1" "146,149,149")
    echo "dark $dark, grey $grey"
  }
  start
  main=$(wait_window '^Quillmap$')
  keys_to "$main" alt+f
  menu=$(wait_popup "$main")
  without_model() { menu_text "$1"; [ "$dark" -gt 40 ] && [ "$grey" -gt 100 ]; }
  shoot_until "$menu" "$work/menu.png" without_model "$work/menu.png"
  keys_to "$main" Escape
  keys_to "$main" ctrl+q  # nothing to save: no question
  wait_exit
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" alt+f
  menu=$(wait_popup "$main")
  with_model() { menu_text "$1"; [ "$dark" -gt 150 ] && [ "$grey" = 0 ]; }
  shoot_until "$menu" "$work/menu.png" with_model "$work/menu.png"
  keys_to "$main" Escape
  ;;

background-work)
  # Long work runs in the background: the windows draw while it runs, the status bar shows it
  # with a progress bar, and Cancel or Escape (in either window) bring back exactly what was there.
  # 135 000 triangles: its smooth unwrap takes several seconds even on a quiet machine, which
  # leaves the checks below time to run before Cancel.
  "$meshgen" sphere "$work/sphere.obj" 300 226 >/dev/null || fail "meshgen"
  crop() { /usr/bin/convert "$1" -crop "$2" +repage "$3"; }
  same() { [ "$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
  # A save cancelled halfway leaves the project as it was, byte for byte.
  /usr/bin/convert -size 2048x2048 xc:gray +noise Random "$work/noise.png"
  "$quillmap" --batch "$work/sphere.obj" --size 2048x2048 --texture "$work/noise.png" \
    --save "$work/big.qmap" >/dev/null 2>>"$work/app.log" || fail "batch save"
  cp "$work/big.qmap" "$work/big.orig"
  start "$work/big.qmap"
  main=$(wait_window '^Quillmap - big.qmap$')
  eval "$(xdotool getwindowgeometry --shell "$main")"
  job="200x16+$((WIDTH - 200))+$((HEIGHT - 18))"  # the progress bar and Cancel
  cancel_x=$((WIDTH - 40)) cancel_y=$((HEIGHT - 10))
  screenshot "$main" "$work/idle.png"
  crop "$work/idle.png" "$job" "$work/job0.png"
  job_shown() { crop "$1" "$job" "$work/job1.png"; ! same "$work/job0.png" "$work/job1.png"; }
  job_gone() { crop "$1" "$job" "$work/job1.png"; same "$work/job0.png" "$work/job1.png"; }
  keys_to "$main" ctrl+s
  shoot_until "$main" "$work/saving.png" job_shown "$work/saving.png"
  xdotool mousemove --window "$main" $cancel_x $cancel_y click 1
  shoot_until "$main" "$work/saved.png" job_gone "$work/saved.png"
  cmp -s "$work/big.qmap" "$work/big.orig" || fail "the cancelled save changed the project"
  [ ! -e "$work/big.qmap.tmp" ] && [ ! -e "$work/big.bak" ] || fail "the cancelled save left files"
  keys_to "$main" ctrl+q
  wait_exit

  start "$work/sphere.obj"
  main=$(wait_window '^Quillmap - sphere \(not saved\) \*$')
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  # The sphere's test pattern is much lighter than the dark background (no channel above 82).
  # Only the middle of the canvas is looked at, so that a check is quick beside the unwrap.
  # A raised window shows what covered it until it has drawn itself again: the dark canvas
  # above the sphere tells that it has.
  middle="160x160+280+333"
  canvas_drawn() { [ "$(pixels_where "$1" "100x30+300+120" 'r<0.35 && g<0.35 && b<0.4')" -gt 2900 ]; }
  model_drawn() {
    canvas_drawn "$1" && [ "$(pixels_where "$1" "$middle" 'r>0.45 || g>0.45 || b>0.45')" -gt 500 ]
  }
  raise_window "$view"
  shoot_until "$view" "$work/view0.png" model_drawn "$work/view0.png"
  raise_window "$main"
  # Below the mapping group (whose radio buttons are checked by colour: the focus ring moves
  # with the focus) down to the status bar, whose counts field must be back too.
  above_status="$WIDTH"x"$((HEIGHT - 159))+0+135"
  counts="220x16+265+$((HEIGHT - 18))"
  uv_view="600x600+300+40"
  exact_on() { [ "$(pixels_where "$1" "24x17+16+79" 'b>0.8 && r<0.45')" -gt 20 ]; }
  shoot_until "$main" "$work/before.png" exact_on "$work/before.png"
  crop "$work/before.png" "$above_status" "$work/above0.png"
  crop "$work/before.png" "$counts" "$work/counts0.png"
  crop "$work/before.png" "$job" "$work/job0.png"
  crop "$work/before.png" "$uv_view" "$work/uv0.png"
  smooth_off() { [ "$(pixels_where "$1" "24x17+16+103" 'b>0.8 && r<0.45')" -lt 5 ]; }
  # A stop request waits for the unwrap's next checkpoint, which under load can take a while.
  wait_restored() {
    for _ in $(seq 150); do
      screenshot "$main" "$1" 2>/dev/null && restored "$1" && return 0
      sleep 0.2
    done
    fail "the state before the unwrap did not come back"
  }
  restored() {
    exact_on "$1" && smooth_off "$1" && job_gone "$1" &&
      crop "$1" "$above_status" "$work/above1.png" && same "$work/above0.png" "$work/above1.png" &&
      crop "$1" "$counts" "$work/counts1.png" && same "$work/counts0.png" "$work/counts1.png"
  }
  # Cancel, after checking that both windows draw while the unwrap runs.
  xdotool mousemove --window "$main" 27 111 click 1
  shoot_until "$main" "$work/progress.png" job_shown "$work/progress.png"
  raise_window "$view"
  crop "$work/view0.png" "$middle" "$work/middle0.png"
  view_drawn() { crop "$1" "$middle" "$work/middle1.png"; same "$work/middle0.png" "$work/middle1.png"; }
  shoot_until "$view" "$work/view1.png" view_drawn "$work/view1.png"
  raise_window "$main"
  uv_drawn() { crop "$1" "$uv_view" "$work/uv1.png"; same "$work/uv0.png" "$work/uv1.png"; }
  shoot_until "$main" "$work/during.png" uv_drawn "$work/during.png"
  job_shown "$work/during.png" || fail "the unwrap ended before the windows were drawn again"
  xdotool mousemove --window "$main" $cancel_x $cancel_y click 1
  wait_restored "$work/after.png"
  # Escape.
  xdotool mousemove --window "$main" 27 111 click 1
  shoot_until "$main" "$work/progress2.png" job_shown "$work/progress2.png"
  keys_to "$main" Escape
  wait_restored "$work/after2.png"
  # Escape in the 3D window stops it as well.
  xdotool mousemove --window "$main" 27 111 click 1
  shoot_until "$main" "$work/progress3.png" job_shown "$work/progress3.png"
  keys_to "$view" Escape
  raise_window "$main"
  wait_restored "$work/after3.png"
  if [ -n "${QM_GUI_SHOTS:-}" ]; then cp "$work"/{progress,during,after}.png "$QM_GUI_SHOTS"/; fi
  ;;

unwrap-feedback)
  # A smooth unwrap that takes a while: the clicked radio button and the status note are on
  # the screen while it works, before the report changes.
  "$meshgen" sphere "$work/sphere.obj" 160 120 >/dev/null || fail "meshgen"
  start "$work/sphere.obj"
  main=$(wait_window '^Quillmap - sphere \(not saved\) \*$')
  eval "$(xdotool getwindowgeometry --shell "$main")"
  smooth_radio="24x17+16+103"  # the indicator of "Unwrap smooth", below the menu bar
  report="240x100+18+672"
  status_note="280x16+265+$((HEIGHT - 18))"
  crop() { /usr/bin/convert "$1" -crop "$2" +repage "$3"; }
  differs() { [ "$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1)" != 0 ]; }
  screenshot "$main" "$work/before.png"
  crop "$work/before.png" "$report" "$work/report0.png"
  crop "$work/before.png" "$status_note" "$work/status0.png"
  [ "$(pixels_where "$work/before.png" "$smooth_radio" 'b>0.8 && r<0.45')" -lt 5 ] ||
    fail "smooth already selected"
  xdotool mousemove --window "$main" 27 111 click 1
  radio_on() { [ "$(pixels_where "$1" "$smooth_radio" 'b>0.8 && r<0.45')" -gt 20 ]; }
  shoot_until "$main" "$work/during.png" radio_on "$work/during.png"
  crop "$work/during.png" "$report" "$work/report1.png"
  crop "$work/during.png" "$status_note" "$work/status1.png"
  differs "$work/report0.png" "$work/report1.png" && fail "the radio button was drawn after the unwrap"
  differs "$work/status0.png" "$work/status1.png" || fail "no status note while unwrapping"
  report_changed() { crop "$1" "$report" "$work/report2.png"; differs "$work/report0.png" "$work/report2.png"; }
  for _ in $(seq 60); do
    screenshot "$main" "$work/after.png" && report_changed "$work/after.png" && break
    sleep 0.5
  done
  report_changed "$work/after.png" || fail "the unwrap did not finish"
  ;;

window3d)
  # Ctrl+3 opens the 3D window on the model; Space with a drag turns the view; closing and
  # opening it again keeps the camera.
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  [ "$(xdotool getwindowname "$view")" = "3D preview" ] || fail "3D window title"
  eval "$(xdotool getwindowgeometry --shell "$view")"
  [ "$WIDTH" = 910 ] && [ "$HEIGHT" = 730 ] || fail "3D window size ${WIDTH}x$HEIGHT"
  canvas="720x634+0+96"
  # The background is dark (no channel above 82); the cube's test pattern is much lighter.
  model_drawn() {
    light=$(pixels_where "$1" "$canvas" 'r>0.45 || g>0.45 || b>0.45')
    echo "model pixels $light"
    [ "$light" -gt 40000 ]
  }
  shoot_until "$view" "$work/view0.png" model_drawn "$work/view0.png"
  xdotool windowfocus --sync "$view"
  xdotool mousemove --window "$view" 300 400
  sleep 0.3
  xdotool keydown space
  xdotool mousedown 1
  for step in $(seq 1 15); do
    xdotool mousemove --window "$view" $((300 + step * 6)) $((400 + step * 3))
    sleep 0.03
  done
  xdotool mouseup 1
  xdotool keyup space
  changed_from() {
    /usr/bin/convert "$2" -crop "$canvas" +repage "$work/a.png"
    /usr/bin/convert "$1" -crop "$canvas" +repage "$work/b.png"
    differing=$(/usr/bin/compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
    echo "pixels changed $differing"
  }
  turned() { changed_from "$1" "$work/view0.png"; [ "$differing" -gt 20000 ]; }
  shoot_until "$view" "$work/view1.png" turned "$work/view1.png"
  # The last motions may still be drawing (a sanitizer build takes a tenth of a second a
  # frame): the turned picture counts once two shots in a row agree.
  settled() {
    changed_from "$1" "$work/view1.png"
    cp "$1" "$work/view1.png"
    [ "$differing" -lt 100 ]
  }
  shoot_until "$view" "$work/view1b.png" settled "$work/view1b.png"
  # Turning the view changed the project, not the texture.
  [ "$(xdotool getwindowname "$view")" = "3D preview" ] || fail "3D window title after turning"
  [ -n "$close_window" ] || fail "no close_window helper given"
  "$close_window" "$view"
  wait_gone '^3D preview$'
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  xdotool mousemove --window "$view" 400 650  # the brush circle away from the model
  same_camera() { changed_from "$1" "$work/view1.png"; [ "$differing" -lt 2000 ]; }
  shoot_until "$view" "$work/view2.png" same_camera "$work/view2.png"
  ;;

stencil)
  # Load... in the stencil panel reads a picture through the file requester; it lies in the
  # middle of the view with its orange frame, Ctrl+drag moves it, and the brush paints its
  # green through it onto the model.
  /usr/bin/convert -size 160x160 xc:none -fill 'rgb(0,200,0)' -draw 'rectangle 20,20 139,139' \
    "$work/green.png"
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  canvas="720x634+0+96"
  frame_test='r>0.95 && abs(g-0.784)<0.02 && b<0.05'  # (255, 200, 0)
  frame_count() {
    frame_pixels=$(pixels_where "$1" "$canvas" "$frame_test")
    echo "frame pixels $frame_pixels"
  }
  xdotool mousemove --window "$view" 769 523 click 1  # "Load..."
  chooser=$(wait_window '^Load stencil \(an image to paint through\)$')
  xdotool windowfocus --sync "$chooser"
  xdotool type --delay 20 "$work/green.png"
  xdotool key Return
  wait_gone '^Load stencil'
  framed() { frame_count "$1"; [ "$frame_pixels" -gt 400 ]; }
  shoot_until "$view" "$work/loaded.png" framed "$work/loaded.png"
  # The frame's middle column, from its leftmost and rightmost pixels.
  frame_middle() {
    /usr/bin/convert "$1" -crop "$canvas" +repage -fx "$frame_test ? 1 : 0" \
      -trim -format '%[fx:page.x + w / 2]' info:
  }
  before=$(frame_middle "$work/loaded.png")
  echo "frame middle $before"
  xdotool mousemove --window "$view" 360 413
  sleep 0.3
  xdotool keydown ctrl mousedown 1
  for step in $(seq 1 10); do
    xdotool mousemove --window "$view" $((360 + step * 6)) 413
    sleep 0.03
  done
  xdotool mouseup 1 keyup ctrl
  moved() {
    after=$(frame_middle "$1")
    echo "frame middle $after"
    [ "$(( ${after%.*} - ${before%.*} ))" -ge 55 ] && [ "$(( ${after%.*} - ${before%.*} ))" -le 65 ]
  }
  shoot_until "$view" "$work/moved.png" moved "$work/moved.png"
  # A click paints a dab through the stencil; with the stencil hidden, the green is on the
  # model.
  xdotool mousemove --window "$view" 420 413 click 1
  xdotool mousemove --window "$view" 736 581 click 1  # "Show stencil" off
  painted() {
    green=$(pixels_where "$1" "$canvas" 'g>0.25 && r<0.08 && b<0.08')
    frame_count "$1"
    echo "green $green"
    [ "$green" -gt 100 ] && [ "$frame_pixels" = 0 ]
  }
  shoot_until "$view" "$work/painted.png" painted "$work/painted.png"
  ;;

layout-change)
  # A painted project opens locked. "Change layout..." answered Yes frees the settings and
  # shows "Lock layout" and "Cancel"; "Cancel" brings back the window as it was (the status
  # bar aside, which names the model file after the unwrap).
  /usr/bin/convert -size 64x64 xc:'rgb(200,100,50)' "$work/paint.png"
  "$quillmap" --batch "$work/cube.obj" --texture "$work/paint.png" --save "$work/painted.qmap" \
    >/dev/null 2>&1 || fail "batch save"
  start "$work/painted.qmap"
  main=$(wait_window '^Quillmap - painted.qmap$')
  above_status="1000x780+0+0"
  layout_group="260x50+10+578"
  keep_label="200x16+38+53"  # "Keep the UVs from the model", grey while locked
  dark_text() { pixels_where "$1" "$keep_label" 'r<0.3 && g<0.3 && b<0.3'; }
  locked() { [ "$(dark_text "$1")" -lt 5 ]; }
  shoot_until "$main" "$work/locked.png" locked "$work/locked.png"
  /usr/bin/convert "$work/locked.png" -crop "$above_status" +repage "$work/locked_top.png"
  /usr/bin/convert "$work/locked.png" -crop "$layout_group" +repage "$work/locked_group.png"
  xdotool mousemove --window "$main" 80 617 click 1
  question=$(wait_window '^Change layout$')
  keys_to "$question" alt+y
  wait_gone '^Change layout$'
  changing() {
    /usr/bin/convert "$1" -crop "$layout_group" +repage "$work/group.png"
    [ "$(dark_text "$1")" -gt 20 ] &&
      [ "$(/usr/bin/compare -metric AE "$work/group.png" "$work/locked_group.png" null: 2>&1)" != 0 ]
  }
  shoot_until "$main" "$work/changing.png" changing "$work/changing.png"
  # Another margin: the unwrap runs, the painting follows.
  for _ in 1 2 3 4; do xdotool mousemove --window "$main" 255 309 click 1; sleep 0.05; done
  sleep 1
  xdotool mousemove --window "$main" 201 617 click 1
  as_before() {
    /usr/bin/convert "$1" -crop "$above_status" +repage "$work/top.png"
    [ "$(/usr/bin/compare -metric AE "$work/top.png" "$work/locked_top.png" null: 2>&1)" = 0 ]
  }
  shoot_until "$main" "$work/cancelled.png" as_before "$work/cancelled.png"
  ;;

paint)
  # A left drag over the model paints it where the mouse went: the 3D view shows the brush
  # colour there, the saved texture holds it and the layout is locked; Ctrl+Z takes the stroke
  # back (the stroke made the texture, so none is saved then).
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  canvas="720x634+0+96"
  model_drawn() { [ "$(pixels_where "$1" "$canvas" 'r>0.45 || g>0.45 || b>0.45')" -gt 40000 ]; }
  shoot_until "$view" "$work/view0.png" model_drawn "$work/view0.png"
  xdotool windowfocus --sync "$view"
  xdotool mousemove --window "$view" 300 413
  sleep 0.3
  xdotool mousedown 1
  for step in $(seq 1 12); do
    xdotool mousemove --window "$view" $((300 + step * 10)) 413
    sleep 0.03
  done
  xdotool mouseup 1
  # The default brush colour (200, 30, 30), shaded by the light, along the drag only.
  stroke_band="120x16+300+405"
  red() { pixels_where "$1" "$2" 'r>0.35 && g<0.2 && b<0.2'; }
  painted() { [ "$(red "$1" "$stroke_band")" -gt 800 ] && [ "$(red "$1" "$canvas")" -lt 4000 ]; }
  shoot_until "$view" "$work/painted.png" painted "$work/painted.png"
  wait_window '^3D preview - texture 512x512 \*$' >/dev/null
  unpack_project() {
    rm -rf "$work/entries" && mkdir "$work/entries"
    unzip -q -o "$work/painted.qmap" -d "$work/entries" || fail "unzip"
  }
  keys_to "$view" ctrl+s
  dialog=$(wait_window '^Save project as$')
  keys_to "$dialog" ctrl+a BackSpace
  xdotool type --delay 20 "$work/painted.qmap"
  keys_to "$dialog" Return
  wait_window '^Quillmap - painted.qmap$' >/dev/null
  unpack_project
  grep -qx 'Locked=1' "$work/entries/project.ini" || fail "the layout is not locked"
  red_texels=$(pixels_where "$work/entries/texture.png" "" 'r>0.7 && g<0.15 && b<0.15')
  echo "red texels $red_texels"
  [ "$red_texels" -gt 150 ] || fail "the saved texture holds no stroke"
  keys_to "$view" ctrl+z
  wait_window '^3D preview \*$' >/dev/null
  unpainted() { [ "$(red "$1" "$stroke_band")" -lt 50 ]; }
  shoot_until "$view" "$work/undone.png" unpainted "$work/undone.png"
  keys_to "$view" ctrl+s
  wait_window '^Quillmap - painted.qmap$' >/dev/null
  for _ in $(seq 50); do
    unpack_project
    [ -f "$work/entries/texture.png" ] || break
    sleep 0.2
  done
  [ -f "$work/entries/texture.png" ] && fail "the undone stroke's texture was saved"
  grep -qx 'Locked=1' "$work/entries/project.ini" || fail "undo unlocked the layout"
  ;;

layers)
  # Choose "Assign layer: triangle", make a layer with "New...", click the cube: the list shows
  # the new layer's swatch and the "Layer colours" view its colour on the clicked triangle.
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  canvas="720x634+0+96"
  list="178x270+726+96"
  # Pixels of exactly the colour "r,g,b" in the part "WxH+X+Y" of a picture.
  pixels_in() {
    /usr/bin/convert "$1" -crop "$2" +repage "$work/part.png"
    pixels_of "$work/part.png" "$3"
  }
  # The swatches of layer 0 (240,190,90) and of layer 1 (90,240,234), 12 x 12 each.
  swatches() {
    first=$(pixels_in "$1" "$list" "240,190,90")
    second=$(pixels_in "$1" "$list" "90,240,234")
    echo "swatch pixels: layer 0 $first, layer 1 $second"
  }
  one_layer() { swatches "$1"; [ "$first" -ge 144 ] && [ "$second" = 0 ]; }
  shoot_until "$view" "$work/one_layer.png" one_layer "$work/one_layer.png"
  # The tool list turns with the wheel: five notches down is "Assign layer: triangle", which
  # shows the layer colours.
  xdotool mousemove --window "$view" 91 48
  sleep 0.2
  for _ in 1 2 3 4 5; do xdotool click 5; sleep 0.1; done
  # The cube in layer 0's colour, shaded: orange, red above green above blue.
  teal_pixels() { pixels_where "$1" "$canvas" 'g>0.35 && b>0.35 && r<g*0.6'; }
  orange_pixels() { pixels_where "$1" "$canvas" 'r>0.35 && r>g*1.1 && g>b*1.5'; }
  layer_colours() {
    orange=$(orange_pixels "$1")
    echo "orange $orange"
    [ "$orange" -gt 40000 ]
  }
  shoot_until "$view" "$work/layer_colours.png" layer_colours "$work/layer_colours.png"
  [ "$(teal_pixels "$work/layer_colours.png")" -lt 100 ] || fail "teal before the assignment"
  xdotool mousemove --window "$view" 769 383 click 1  # the layers' "New..."
  question=$(wait_window '^New layer$')
  keys_to "$question" ctrl+a
  xdotool type --delay 20 "Lid"
  xdotool key Return
  wait_gone '^New layer$'
  two_layers() { swatches "$1"; [ "$first" -ge 144 ] && [ "$second" -ge 144 ]; }
  shoot_until "$view" "$work/two_layers.png" two_layers "$work/two_layers.png"
  xdotool mousemove --window "$view" 420 400 click 1  # a triangle of the cube's front
  # Off the model, so that the hover mark does not tint the triangle.
  xdotool mousemove --window "$view" 60 650
  assigned() {
    teal=$(teal_pixels "$1")
    echo "teal $teal"
    [ "$teal" -gt 40000 ]
  }
  shoot_until "$view" "$work/assigned.png" assigned "$work/assigned.png"
  # The list still shows both layers, and the project is changed.
  two_layers "$work/assigned.png" || fail "the list changed with the assignment"
  ;;

colour-choosers)
  # Every colour requester opens over the window that asked for it, as a window of its own:
  # the brush swatch, the layers' "Colour..." and the swatch of the New texture dialog.
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  # Waits for the requester, checks whose it is and cancels it.
  cancel_chooser_over() {
    local title=$1 parent=$2 chooser owner
    chooser=$(wait_window "^$title\$")
    owner=$(xprop -id "$chooser" WM_TRANSIENT_FOR | awk '{ print $NF }')
    [[ $owner =~ ^0x[0-9a-f]+$ ]] && [ "$((owner))" = "$((parent))" ] || fail "'$title' is not over its window ($owner, not $parent)"
    keys_to "$chooser" Escape
    wait_gone "^$title\$"
  }
  xdotool mousemove --window "$view" 202 48 click 1  # the brush colour swatch
  cancel_chooser_over "Brush colour" "$view"
  xdotool mousemove --window "$view" 861 413 click 1  # the layers' "Colour..."
  cancel_chooser_over "Layer colour" "$view"
  xdotool mousemove --window "$view" 177 18 click 1  # "New..." texture
  dialog=$(wait_window '^New texture 512 x 512$')
  xdotool mousemove --window "$dialog" 180 23 click 1  # its colour swatch
  cancel_chooser_over "Texture colour" "$dialog"
  keys_to "$dialog" Escape
  wait_gone '^New texture'
  ;;

file-choosers)
  # A path typed into a file requester (Ctrl+L, the path, Return) as a user does, into each
  # one that reads an image, several times over: GTK must not be handed an event for a
  # requester on its way out.
  /usr/bin/convert -size 512x512 xc:'rgb(0,200,0)' "$work/green.png"
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview$')
  # Each click goes to the 3D window on top: the requester that just closed may leave another
  # window over it.
  click_view() {
    raise_window "$view"
    xdotool mousemove --window "$view" "$1" "$2" click 1
  }
  # On a loaded machine GTK's requester now and then leaves a typed location unanswered; the
  # user types it again, and so does the test, twice at most.
  type_path() {
    local title=$1 chooser
    chooser=$(wait_window "^$title\$")
    for _ in 1 2 3; do
      keys_to "$chooser" ctrl+l ctrl+a
      xdotool type --delay 20 "$work/green.png"
      xdotool key Return
      gone_soon "^$title\$" && return 0
      echo "the requester '$title' is still open: the path again"
    done
    fail "window '$title' still open"
  }
  for _ in 1 2 3; do
    click_view 769 523  # the stencil's "Load..."
    type_path 'Load stencil \(an image to paint through\)'
    click_view 265 78  # "Load pattern..."
    type_path 'Load pattern \(a seamless tile image\)'
    click_view 251 18  # "Import..."
    type_path 'Import texture'
  done
  # The requesters' own timers run out after they are gone.
  sleep 0.5
  wait_window '^3D preview - texture 512x512 \(green.png\) \*$' >/dev/null
  # The import locked the layout. The message says so in full at the window's opening size: it
  # leaves the end of its field empty, where a cut text would end in an ellipsis.
  eval "$(xdotool getwindowgeometry --shell "$main")"
  dark='r<0.4 && g<0.4 && b<0.4'
  note_shown() {
    note=$(pixels_where "$1" "480x14+500+$((HEIGHT - 17))" "$dark")
    note_end=$(pixels_where "$1" "24x14+$((WIDTH - 28))+$((HEIGHT - 17))" "$dark")
    echo "note pixels $note, at its end $note_end"
    [ "$note" -gt 400 ] && [ "$note_end" = 0 ]
  }
  shoot_until "$main" "$work/locked.png" note_shown "$work/locked.png"
  ;;

random-input)
  # Clicks, drags, wheel turns and keys at random places of both windows, from a fixed seed
  # (QM_GUI_SEED to try another), and every window that opens on the way answered: the program
  # must neither end nor make GTK complain. The numbers drawn do not depend on what the program
  # does, so a seed always sends the same input. The steps go ten to one xdotool run, as
  # starting it takes a good part of a second on a busy machine; a click that lands while a
  # dialog is open is refused by the dialog, as it would be for a user.
  RANDOM=${QM_GUI_SEED:-1729}
  /usr/bin/convert -size 512x512 xc:'rgb(0,200,0)' "$work/green.png"
  start "$work/cube.obj"
  main=$(wait_window "$main_title")
  keys_to "$main" ctrl+3
  view=$(wait_window '^3D preview')
  eval "$(xdotool getwindowgeometry --shell "$main")"
  main_w=$WIDTH main_h=$HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$view")"
  view_w=$WIDTH view_h=$HEIGHT
  # The program's other windows on the screen: dialogs and requesters. Menus, lists and
  # tooltips are titled with the program's name and close with the next click.
  # Each window's title is read on its own, so a popup that opens between two searches is not
  # taken for a dialog.
  dialogs() {
    local id
    for id in $(shown_windows .); do
      if [ "$id" = "$main" ] || [ "$id" = "$view" ]; then continue; fi
      [ "$(xdotool getwindowname "$id" 2>/dev/null)" = quillmap ] && continue
      echo "$id"
    done
  }
  is_shown() { shown_windows . | grep -qx "$1"; }
  # Answers a dialog: the image's path for the requesters that read one, otherwise Escape or
  # Return as `pick` says; Return where Escape does not close it (a Yes/No question).
  answer() {
    local id=$1 pick=$2 title keys
    title=$(xdotool getwindowname "$id" 2>/dev/null) || return 0
    echo "answering '$title'"
    case $title in
      "Load stencil"* | "Load pattern"* | "Import texture")
        if [ $((pick % 2)) = 0 ]; then
          keys_to "$id" ctrl+l
          xdotool type --delay 10 "$work/green.png"
          xdotool key Return
        else
          keys_to "$id" Escape
        fi
        ;;
      *) if [ $((pick % 2)) = 0 ]; then keys_to "$id" Return; else keys_to "$id" Escape; fi ;;
    esac
    for keys in Escape Escape Return; do
      for _ in $(seq 20); do
        is_shown "$id" || return 0
        sleep 0.1
      done
      keys_to "$id" "$keys" 2>/dev/null || return 0
    done
    sleep 2
    is_shown "$id" && fail "'$title' does not close"
    return 0
  }
  answer_all() {
    local pick=$1 id round
    for round in 1 2 3 4 5 6; do
      id=$(dialogs | head -n 1)
      [ -z "$id" ] && return 0
      answer "$id" $((pick + round))
    done
    fail "dialogs keep opening"
  }
  for chunk in $(seq "${QM_GUI_STEPS:-25}"); do
    commands=()
    for _ in $(seq 10); do
      which=$((RANDOM % 5)) action=$((RANDOM % 10)) x=$RANDOM y=$RANDOM
      dx=$((RANDOM % 120 - 60)) dy=$((RANDOM % 120 - 60)) wheel=$((4 + RANDOM % 2))
      # Half of the places are on the controls: the settings column below the main window's
      # menu bar (the menus lead to quitting, the guide and writing files), the 3D window's
      # toolbar rows and its right panel.
      case $which in
        0) commands+=(mousemove --window "$main" $((x % 280)) $((30 + y % (main_h - 30)))) ;;
        1) commands+=(mousemove --window "$main" $((x % main_w)) $((30 + y % (main_h - 30)))) ;;
        2) commands+=(mousemove --window "$view" $((x % view_w)) $((y % 96))) ;;
        3) commands+=(mousemove --window "$view" $((view_w - 190 + x % 190)) $((y % view_h))) ;;
        4) commands+=(mousemove --window "$view" $((x % view_w)) $((y % view_h))) ;;
      esac
      case $action in
        0 | 1 | 2) commands+=(click 1) ;;
        3) commands+=(click 3) ;;
        4 | 5) commands+=(mousedown 1 mousemove_relative -- "$dx" "$dy" sleep 0.02
                          mousemove_relative -- "$dx" "$dy" mouseup 1) ;;
        6) commands+=(click "$wheel") ;;
        7) commands+=(keydown space mousedown 1 mousemove_relative -- "$dx" "$dy" sleep 0.02
                      mouseup 1 keyup space) ;;
        8) commands+=(windowfocus "$view" key ctrl+z) ;;
        9) commands+=(windowfocus "$view" key ctrl+y) ;;
      esac
      commands+=(sleep 0.03)
    done
    pick=$RANDOM
    xdotool "${commands[@]}" 2>/dev/null || true  # a window may be gone for a moment
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended in step group $chunk"
    sleep 0.1
    answer_all "$pick"
  done
  sleep 1
  answer_all 0
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
  ;;

*)
  fail "unknown case $case_name"
  ;;
esac
check_log
echo "PASS: $case_name"
