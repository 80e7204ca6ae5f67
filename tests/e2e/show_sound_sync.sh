#!/usr/bin/env bash
# The picture keeps in step with the sound that a real sound server plays:
# never ahead of it, and each new frame shows sound heard at most 25 ms
# earlier. The show plays bursts (100 ms at bins 1 and 10, every 2.0071 s, so
# they fall across the frame cycle) into a private PulseAudio null sink; one
# ffmpeg process grabs a strip of the noise and the sink's monitor on one
# clock, and sync_offsets pairs each burst's sound with its flash.
# Usage: show_sound_sync.sh PROGRAM BUILD_DIR SYNC_OFFSETS default|MSEC [report]
# MSEC is the show's PULSE_LATENCY_MSEC; "report" prints without judging.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
offsets_tool=${3:?sync_offsets program}
buffering=${4:?default or the show\'s PULSE_LATENCY_MSEC}
judge=${5:-judge}
vsf_setup "$1" "$2"

source "$(dirname "$0")/sync_lib.sh"
sync_require

# The measured chain (X server, sound server, capture, show) must not starve
# behind unrelated work on a shared machine: what this script starts runs at a
# raised priority where that is allowed.
renice -n -10 -p $$ >/dev/null 2>&1 || true

capture_seconds=30
max_offset_ms=25
min_bursts=8

# The bursts, and a private server at 44.1 kHz.
run="$VSF_TMP/run"
mkdir -p "$run"
sync_burst_music "$run/qx-731_030321_4_tessellated.ogg"
sync_start_pulse 44100

vsf_start_x 1024x768x24

# One show, one capture, the bursts paired; prints the analysis and leaves
# "COUNT MEDIAN MIN MAX" (milliseconds) in $VSF_TMP/summary.
measure() {
  if [ "$buffering" = default ]; then
    vsf_start_program "$run" SDL_AUDIODRIVER=pulseaudio -u PULSE_LATENCY_MSEC
  else
    vsf_start_program "$run" SDL_AUDIODRIVER=pulseaudio PULSE_LATENCY_MSEC="$buffering"
  fi
  local dialog window x y strip
  dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
  sleep 0.5
  # Fullscreen off (focus starts on sound; Tab moves to fullscreen), then OK.
  vsf_key "$dialog" Tab space Return
  window=$(vsf_wait_show_size 640 480) || vsf_fail "no 640 x 480 show window"
  [ -n "$(vsf_find_window '^Error$')" ] && vsf_fail "the show has no sound device"
  read -r x y _ _ < <(vsf_client_geometry "$window")
  # Noise rows 110 to 132, clear of the rule lines and the pictures.
  strip="$DISPLAY+$((x + 160)),$((y + 110))"
  sleep 1
  sync_measure "$strip" "$capture_seconds" "$offsets_tool"
  vsf_running || vsf_fail "the show ended during the capture"
  vsf_key "$window" Escape
  vsf_wait_exit 10 || vsf_fail "the show did not end after Escape"
}

# Whether the last measurement holds the bounds; sets $result, and $why when not.
holds() {
  local count median min max
  read -r count median min max <"$VSF_TMP/summary"
  result="buffering $buffering: $count bursts, picture after the sound by median $median ms, min $min, max $max"
  why=""
  if [ "$count" -lt "$min_bursts" ]; then
    why="fewer than $min_bursts bursts"
  elif ! awk -v m="$min" 'BEGIN { exit !(m >= 0) }'; then
    why="the picture ran ahead of the sound"
  elif ! awk -v m="$max" -v l="$max_offset_ms" 'BEGIN { exit !(m <= l) }'; then
    why="the picture lagged more than $max_offset_ms ms"
  fi
  [ -z "$why" ]
}

# On a shared machine a starved frame now and then misses a bound; a wrong
# audible position misses it every time. So a run that misses is repeated,
# up to five runs: even on a quiet machine one burst in a run now and then
# lands a couple of milliseconds outside the window, about the capture's own
# frame gap.
measure
if [ "$judge" = report ]; then
  holds
  vsf_pass "$result"
fi
for run_number in 2 3 4 5; do
  holds && vsf_pass "$result"
  vsf_log "$result: $why; measuring again (run $run_number)"
  measure
done
holds || vsf_fail "$result: $why"
vsf_pass "$result"
