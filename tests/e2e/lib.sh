# shellcheck shell=bash disable=SC2034 # the VSF_ variables are read by the test scripts
# End-to-end harness: runs the real program on a private Xvfb + openbox and
# drives it with xdotool. Source it from a test script:
#
#   source "$(dirname "$0")/lib.sh"
#   vsf_setup "$@"            # args: PROGRAM [BUILD_DIR]; sets the trap, temp dir
#
# Every wait is bounded and the EXIT trap always ends what the harness started.
#
# Set-up and process control
#   vsf_setup PROGRAM [BUILD_DIR]   VSF_PROGRAM, VSF_BUILD_DIR, VSF_TMP; cleanup trap
#   vsf_start_x [WxHxD]             own Xvfb on a free display (-displayfd), default
#                                   1024x768x24, plus openbox; exports DISPLAY
#   vsf_stop_x                      ends openbox and Xvfb now (a display lost under
#                                   the program)
#   vsf_start_program [DIR] [-u NAME | NAME=VALUE]...
#                                   starts the program in DIR (default: a fresh temp
#                                   dir) in the background; environment: no
#                                   SDL_VIDEODRIVER/WAYLAND_DISPLAY, SDL_AUDIODRIVER=dummy,
#                                   then the given changes (e.g. -u SDL_AUDIODRIVER,
#                                   -u DISPLAY). Sets VSF_PID, VSF_STDOUT, VSF_STDERR
#   vsf_running                     true while the program runs
#   vsf_wait_exit [SECONDS]         waits for the program (default 10 s, fractions
#                                   allowed); sets VSF_EXIT_CODE; on timeout kills
#                                   it, sets VSF_EXIT_CODE=timeout, returns 1
#   vsf_now_ms                      a millisecond clock for timing the program
#
# Windows
#   vsf_find_window PATTERN         ids of visible windows whose name matches the
#                                   (extended, case-insensitive) regex, one a line
#   vsf_wait_window PATTERN [SECS]  waits (default 10 s) for a visible window, prints
#                                   its id; meanwhile answers any message box or the
#                                   setup dialog with Return (unless VSF_ANSWER_BOXES=0);
#                                   fails early if the program ends
#   vsf_answer_boxes                one pass: Return on each visible "Error",
#                                   "Incorrect BASS.DLL" box and the setup dialog
#                                   ("_" x 21); true if it answered one
#   vsf_key WINDOW KEY...           activates the window and types the keys (xdotool
#                                   names: Escape, Return, a, space...)
#   vsf_close_window WINDOW         asks the window manager to close it (alt+F4)
#   vsf_window_geometry WINDOW      prints "X Y WIDTH HEIGHT"
#   vsf_screen_size                 prints "WIDTH HEIGHT"
#
# Pictures
#   vsf_screenshot FILE             the whole screen as PNG
#   vsf_pixel FILE X Y              prints "R G B" (0-255) of one pixel
#   vsf_colour_count FILE [GEOM]    number of distinct colours (optionally of a crop
#                                   WxH+X+Y)
#
# Reporting
#   vsf_log MSG...                  to standard error
#   vsf_fail MSG...                 prints the program's output, exits 1
#   vsf_pass MSG...                 exits 0

set -u
VSF_PROGRAM=""
VSF_BUILD_DIR=""
VSF_TMP=""
VSF_PID=""
VSF_XVFB_PID=""
VSF_WM_PID=""
VSF_EXIT_CODE=""
VSF_STDOUT=""
VSF_STDERR=""
VSF_LAUNCHER=() # what runs the program, e.g. (wine) for a Windows build
: "${VSF_ANSWER_BOXES:=1}"

# The real ImageMagick, not a wrapper that may shadow it on PATH.
if [ -x /usr/bin/convert ]; then VSF_CONVERT=/usr/bin/convert; else VSF_CONVERT=convert; fi

vsf_log() { echo "e2e: $*" >&2; }

vsf_setup() {
  VSF_PROGRAM=${1:?program path}
  VSF_BUILD_DIR=${2:-$(dirname "$VSF_PROGRAM")}
  [ -x "$VSF_PROGRAM" ] || { echo "e2e: no program at $VSF_PROGRAM" >&2; exit 1; }
  VSF_TMP=$(mktemp -d "${TMPDIR:-/tmp}/vsf-e2e.XXXXXX")
  trap vsf_cleanup EXIT
  trap 'exit 130' INT TERM
}

# Ends one process we started: politely, then for sure, bounded.
vsf_stop_pid() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  for i in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

vsf_cleanup() {
  vsf_stop_pid "$VSF_PID"
  vsf_stop_pid "$VSF_WM_PID"
  vsf_stop_pid "$VSF_XVFB_PID"
  [ -n "$VSF_TMP" ] && rm -rf "$VSF_TMP"
  return 0
}

vsf_start_x() {
  local screen=${1:-1024x768x24} numberFile="$VSF_TMP/display"
  : >"$numberFile"
  # -displayfd picks a free display number, so parallel tests never collide.
  Xvfb -displayfd 9 -screen 0 "$screen" -nolisten tcp -noreset 9>"$numberFile" \
    >"$VSF_TMP/xvfb.log" 2>&1 &
  VSF_XVFB_PID=$!
  for _ in $(seq 100); do
    grep -q '^[0-9]' "$numberFile" 2>/dev/null && break
    kill -0 "$VSF_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  grep -q '^[0-9]' "$numberFile" || { cat "$VSF_TMP/xvfb.log" >&2; vsf_fail "Xvfb did not start"; }
  DISPLAY=":$(head -n1 "$numberFile")"
  export DISPLAY
  unset WAYLAND_DISPLAY
  # A fullscreen window only covers the screen under a window manager.
  openbox --sm-disable >"$VSF_TMP/openbox.log" 2>&1 &
  VSF_WM_PID=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  vsf_fail "openbox did not start"
}

# A display of the test's own starts clear; the Wine harness shares one.
vsf_expect_clear_screen() { :; }

vsf_stop_x() {
  vsf_stop_pid "$VSF_WM_PID"
  vsf_stop_pid "$VSF_XVFB_PID"
  VSF_WM_PID=""
  VSF_XVFB_PID=""
}

vsf_start_program() {
  local dir=""
  if [ $# -gt 0 ] && [ "${1#-}" = "$1" ] && [ "${1#*=}" = "$1" ]; then
    dir=$1
    shift
  fi
  if [ -z "$dir" ]; then
    dir="$VSF_TMP/run"
    mkdir -p "$dir"
  fi
  local unsets=(-u SDL_VIDEODRIVER -u WAYLAND_DISPLAY) sets=(SDL_AUDIODRIVER=dummy)
  while [ $# -gt 0 ]; do
    case $1 in
    -u) unsets+=(-u "$2"); shift 2 ;;
    *=*) sets+=("$1"); shift ;;
    *) vsf_fail "vsf_start_program: bad argument $1" ;;
    esac
  done
  # An unset that follows a default assignment wins over it.
  local kept=() s
  for s in "${sets[@]}"; do
    case " ${unsets[*]} " in *" ${s%%=*} "*) ;; *) kept+=("$s") ;; esac
  done
  VSF_STDOUT="$VSF_TMP/stdout"
  VSF_STDERR="$VSF_TMP/stderr"
  (cd "$dir" && exec env "${unsets[@]}" "${kept[@]}" "${VSF_LAUNCHER[@]}" "$VSF_PROGRAM" </dev/null \
    >"$VSF_STDOUT" 2>"$VSF_STDERR") &
  VSF_PID=$!
  VSF_EXIT_CODE=""
  vsf_log "started $VSF_PROGRAM (pid $VSF_PID) in $dir"
}

vsf_now_ms() { echo $(($(date +%s%N) / 1000000)); }

vsf_running() {
  [ -n "$VSF_PID" ] && kill -0 "$VSF_PID" 2>/dev/null && [ -z "$VSF_EXIT_CODE" ]
}

vsf_wait_exit() {
  local timeout=${1:-10} deadline
  deadline=$(($(vsf_now_ms) + $(awk -v t="$timeout" 'BEGIN { printf "%d", t * 1000 }')))
  while kill -0 "$VSF_PID" 2>/dev/null; do
    if [ "$(vsf_now_ms)" -ge "$deadline" ]; then
      vsf_log "program still running after ${timeout}s; killing it"
      vsf_stop_pid "$VSF_PID"
      VSF_EXIT_CODE=timeout
      return 1
    fi
    sleep 0.02
  done
  wait "$VSF_PID"
  VSF_EXIT_CODE=$?
  return 0
}

vsf_find_window() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null
}

# Return on a box, as a person would; the box must have focus to get the key.
vsf_press_return() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1" >/dev/null 2>&1
  xdotool key --clearmodifiers Return >/dev/null 2>&1
}

vsf_answer_boxes() {
  local answered=1 pattern id
  for pattern in '^Error$' '^Incorrect BASS\.DLL$' '^_{21}$'; do
    for id in $(vsf_find_window "$pattern"); do
      vsf_log "answering '$(xdotool getwindowname "$id" 2>/dev/null)' with Return"
      vsf_press_return "$id"
      answered=0
    done
  done
  return $answered
}

vsf_wait_window() {
  local pattern=$1 timeout=${2:-10} deadline id
  deadline=$(($(date +%s) + timeout))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    id=$(vsf_find_window "$pattern" | head -n1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    if [ -n "$VSF_PID" ] && ! kill -0 "$VSF_PID" 2>/dev/null; then
      vsf_log "program ended while waiting for window '$pattern'"
      return 1
    fi
    if [ "$VSF_ANSWER_BOXES" = 1 ] && vsf_answer_boxes; then
      sleep 0.3
    else
      sleep 0.1
    fi
  done
  vsf_log "no window '$pattern' within ${timeout}s"
  vsf_log_windows
  return 1
}

# What the screen and the program were doing, for a wait that ran out.
vsf_log_windows() {
  local id
  for id in $(xdotool search --name '.' 2>/dev/null); do
    vsf_log "  window $id '$(xdotool getwindowname "$id" 2>/dev/null)'"
  done
  [ -n "$VSF_PID" ] && vsf_log "  program: $(ps -o stat=,wchan:32= -p "$VSF_PID" 2>/dev/null || echo ended)"
  return 0
}

vsf_key() {
  local window=$1
  shift
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window" >/dev/null 2>&1
  xdotool key "$@"
}

vsf_close_window() {
  # A real close request through the window manager (WM_DELETE_WINDOW), not a kill.
  vsf_key "$1" alt+F4
}

vsf_window_geometry() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$')"
  echo "$X $Y $WIDTH $HEIGHT"
}

vsf_screen_size() {
  xdotool getdisplaygeometry
}

vsf_screenshot() {
  import -window root "$1"
}

vsf_pixel() {
  # txt: prints "x,y: (r,g,b)  #RRGGBB  name"; the hex field is always 8-bit.
  local hex
  hex=$("$VSF_CONVERT" "$1" -crop "1x1+$2+$3" +repage -depth 8 -alpha off txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -n1)
  [ -n "$hex" ] || return 1
  echo "$((16#${hex:0:2})) $((16#${hex:2:2})) $((16#${hex:4:2}))"
}

vsf_colour_count() {
  if [ $# -ge 2 ]; then
    "$VSF_CONVERT" "$1" -crop "$2" +repage -format '%k\n' info:
  else
    "$VSF_CONVERT" "$1" -format '%k\n' info:
  fi
}

vsf_fail() {
  echo "FAIL: $*" >&2
  if [ -n "$VSF_STDERR" ] && [ -s "$VSF_STDERR" ]; then
    echo "--- program stderr:" >&2
    head -c 4000 "$VSF_STDERR" >&2
  fi
  exit 1
}

vsf_pass() {
  echo "PASS: $*"
  exit 0
}
