#!/usr/bin/env bash
# The show plays every sample of its music through a real sound server, on a
# busy machine: beside two busy loops at its own priority, 30 s of a private
# PulseAudio null sink's monitor equal the decoded music in every 50 ms block.
# paplay plays the same decoded music into a second sink of the same server,
# recorded alongside: a run whose control loses blocks was on a machine unfit
# to judge, and is skipped with the figures. So is one where the machine
# itself stood still (a virtual machine paused by its host), as cyclictest's
# real-time threads, one on each processor, see it: nothing can play on
# through that on a real sound card either.
# Usage: show_playback.sh PROGRAM BUILD_DIR PLAYBACK_BLOCKS [LOOPS] [report]
# LOOPS busy loops run beside (2 by default); "report" prints without judging.
# PLAYBACK_SECONDS records longer (31 s and a second to settle by default).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
blocks_tool=${3:?playback_blocks program}
loops=${4:-2}
judge=${5:-judge}
vsf_setup "$1" "$2"

source "$(dirname "$0")/sync_lib.sh"
sync_require parecord paplay cyclictest

seconds=${PLAYBACK_SECONDS:-31}
# Longer than any delay a loaded scheduler gives a real-time thread.
max_stall_ms=100
rate=44100
music="$VSF_BUILD_DIR/qx-731_030321_4_tessellated.ogg"
[ -f "$music" ] || vsf_fail "no music at $music"

# The music as the show's decoder makes it, as far as the test can hear.
decoded="$VSF_TMP/music.raw"
ffmpeg -nostdin -hide_banner -loglevel error -c:a libvorbis -i "$music" -t $((seconds + 60)) \
  -ac 2 -ar "$rate" -f f32le -y "$decoded" || vsf_fail "cannot decode the music"

SYNC_PULSE_LOG_LEVEL=debug sync_start_pulse "$rate"
pactl load-module module-null-sink sink_name=vsf_control "rate=$rate" >/dev/null ||
  vsf_fail "no control sink"

for ((i = 0; i < loops; i++)); do
  sh -c 'while :; do :; done' &
  SYNC_PIDS+=($!)
done

vsf_start_x 1024x768x24
vsf_start_program "$VSF_BUILD_DIR" SDL_AUDIODRIVER=pulseaudio PULSE_SINK=vsf_sync
dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
sleep 0.5
# Windowed (focus starts on sound; Tab moves to fullscreen), then OK.
vsf_key "$dialog" Tab space Return
window=$(vsf_wait_show_size 640 480) || vsf_fail "no 640 x 480 show window"
[ -n "$(vsf_find_window '^Error$')" ] && vsf_fail "the show has no sound device"

paplay --raw --format=float32le --rate="$rate" --channels=2 --device=vsf_control "$decoded" &
SYNC_PIDS+=($!)
sleep 1
record() {
  parecord --raw --device="$1.monitor" --format=float32le --rate="$rate" --channels=2 \
    --latency-msec=20 "$VSF_TMP/$1.raw" &
  SYNC_PIDS+=($!)
}
record vsf_sync
record vsf_control
cyclictest --mlockall --smp --priority=90 --interval=5000 --quiet --duration="$seconds" \
  >"$VSF_TMP/stalls" 2>&1 &
SYNC_PIDS+=($!)
sleep "$seconds"
wait "${SYNC_PIDS[-1]}"
for ((i = ${#SYNC_PIDS[@]} - 2; i >= ${#SYNC_PIDS[@]} - 3; i--)); do
  kill -INT "${SYNC_PIDS[i]}"
  wait "${SYNC_PIDS[i]}" 2>/dev/null
done
vsf_running || vsf_fail "the show ended during the recording"
vsf_key "$window" Escape
vsf_wait_exit 10 || vsf_fail "the show did not end after Escape"

control=$("$blocks_tool" "$VSF_TMP/vsf_control.raw" "$decoded" "$rate") ||
  vsf_fail "the control's recording could not be compared"
show=$("$blocks_tool" "$VSF_TMP/vsf_sync.raw" "$decoded" "$rate") ||
  vsf_fail "the show's recording could not be compared"
# Where sound was lost, as far as the server and the show saw it.
underruns=$(grep -c "Implicit underrun of 'Music'" "$SYNC_PULSE_LOG")
dry=$(grep -o 'fell behind.*' "$VSF_STDERR" || echo "never ran dry")
stall_ms=$(awk '/Max:/ { m = $NF > m ? $NF : m } END { printf "%.1f", m / 1000 }' "$VSF_TMP/stalls")
figures="beside $loops busy loops: the show: $show, $underruns server underruns, decoding $dry;\
 the control (paplay): $control; the machine's longest stall $stall_ms ms"
echo "$figures"
read -r _ _ _ control_differ _ <<<"$control"
read -r _ show_blocks _ show_differ _ show_seconds _ <<<"$show"
[ "$judge" = report ] && vsf_pass "$figures"
[ "$control_differ" -eq 0 ] || { echo "SKIP: the control lost sound: $figures"; exit 77; }
awk -v s="$stall_ms" -v m="$max_stall_ms" 'BEGIN { exit !(s <= m) }' ||
  { echo "SKIP: the machine stood still: $figures"; exit 77; }
awk -v s="$show_seconds" -v w="$seconds" 'BEGIN { exit !(s >= w - 2) }' ||
  vsf_fail "only $show_seconds s recorded"
[ "$show_differ" -eq 0 ] || vsf_fail "$show_differ of $show_blocks blocks differ: $figures"
vsf_pass "$figures"
