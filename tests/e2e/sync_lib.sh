# The sync measurement shared by the desktop and the page's tests: bursts for
# music, a private PulseAudio server with a null sink, and one ffmpeg capture
# of a strip of the picture and the sink's monitor on one clock, paired burst
# by burst by sync_offsets. Sourced after lib.sh (vsf_setup has run).

SYNC_PIDS=()
SYNC_FILES=()
sync_cleanup() {
  local i
  for ((i = ${#SYNC_PIDS[@]} - 1; i >= 0; i--)); do vsf_stop_pid "${SYNC_PIDS[i]}"; done
  [ ${#SYNC_FILES[@]} -eq 0 ] || rm -f "${SYNC_FILES[@]}"
  vsf_cleanup
}
trap sync_cleanup EXIT

sync_require() {
  local tool
  for tool in pulseaudio pacat pactl ffmpeg "$@"; do
    command -v "$tool" >/dev/null || {
      echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
      exit 77
    }
  done
}

# The bursts as the show's music in FILE (Ogg Vorbis), starting from silence:
# 100 ms at bins 1 and 10 of a 1024-sample transform at 44.1 kHz, each sine at
# phase 0 and -20 dBFS, every 2.0071 s so they fall across the frame cycle.
sync_burst_music() {
  local period=2.0071 burst
  burst="0.1*sin(2*PI*44100/1024*mod(t,$period))+0.1*sin(2*PI*441000/1024*mod(t,$period))"
  ffmpeg -nostdin -hide_banner -loglevel error -f lavfi \
    -i "aevalsrc='if(lt(mod(t,$period),0.1),$burst,0)':s=44100:c=stereo:d=60" \
    -c:a libvorbis -q:a 6 -y "${1:?music file}" || vsf_fail "no burst music"
}

# A private server with its own runtime folder and home, a null sink vsf_sync
# and nothing else, running at RATE (the rate clients that ask the server's
# default, as browsers do, get). Its log is $SYNC_PULSE_LOG, at
# $SYNC_PULSE_LOG_LEVEL: debug tells each stream's underruns, and is written
# to memory, since a server that waits for a busy disk stalls every stream.
sync_start_pulse() {
  local rate=${1:-44100} pulse="$VSF_TMP/pulse"
  SYNC_PULSE_LOG="$VSF_TMP/pulseaudio.log"
  if [ "${SYNC_PULSE_LOG_LEVEL:-notice}" = debug ] && [ -d /dev/shm ]; then
    SYNC_PULSE_LOG=$(mktemp /dev/shm/vsf-pulseaudio.XXXXXX)
    SYNC_FILES+=("$SYNC_PULSE_LOG")
  fi
  mkdir -p -m 700 "$pulse/runtime" "$pulse/home/.config/pulse"
  printf 'default-sample-rate = %s\nalternate-sample-rate = %s\n' "$rate" "$rate" \
    >"$pulse/home/.config/pulse/daemon.conf"
  export XDG_RUNTIME_DIR="$pulse" PULSE_RUNTIME_PATH="$pulse/runtime" HOME="$pulse/home"
  unset XDG_CONFIG_HOME
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  unset PULSE_LATENCY_MSEC
  pulseaudio --daemonize=no -n --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    --log-level="${SYNC_PULSE_LOG_LEVEL:-notice}" \
    --disallow-exit \
    -L "module-native-protocol-unix auth-anonymous=1" \
    -L "module-null-sink sink_name=vsf_sync rate=$rate" 2>"$SYNC_PULSE_LOG" &
  SYNC_PIDS+=($!)
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pactl info >/dev/null 2>&1 || { cat "$SYNC_PULSE_LOG" >&2; vsf_fail "no sound server"; }
  # Without another stream at a short latency the null sink renders in large
  # blocks and a lone stream stalls.
  pacat --raw --latency-msec=20 </dev/zero &
  SYNC_PIDS+=($!)
}

# sync_measure STRIP SECONDS OFFSETS_TOOL: grabs the 320 x 24 strip at STRIP
# (DISPLAY+x,y) at 240 frames/s with the sink's monitor for SECONDS, prints
# sync_offsets' analysis and leaves "COUNT MEDIAN MIN MAX" (milliseconds) in
# $VSF_TMP/summary and each counted burst's "OFFSET GAP" in $VSF_TMP/bursts;
# ends the test as skipped if the machine stalled under the measurement.
sync_measure() {
  local strip=${1:?strip} seconds=${2:?seconds} offsets_tool=${3:?sync_offsets}
  local capture="$VSF_TMP/capture.nut" ffmpeg_pid report summary stalled
  # One process, so both inputs are stamped by the same clock; -copyts keeps
  # the stamps, -c copy keeps the grab's own times rather than a frame grid.
  # Long input queues: the grab must not wait while ffmpeg waits for sound.
  ffmpeg -nostdin -hide_banner -loglevel error \
    -f x11grab -thread_queue_size 4096 -draw_mouse 0 -framerate 240 -video_size 320x24 \
    -t "$seconds" -i "$strip" \
    -f pulse -thread_queue_size 4096 -sample_rate 44100 -t "$seconds" -i vsf_sync.monitor \
    -copyts -c copy -y "$capture" 2>"$VSF_TMP/ffmpeg.log" &
  ffmpeg_pid=$!
  SYNC_PIDS+=("$ffmpeg_pid")
  for _ in $(seq $(((seconds + 30) * 10))); do
    kill -0 "$ffmpeg_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$ffmpeg_pid" 2>/dev/null && vsf_fail "the capture did not end"
  wait "$ffmpeg_pid" || { cat "$VSF_TMP/ffmpeg.log" >&2; vsf_fail "the capture failed"; }

  report=$("$offsets_tool" "$capture") || vsf_fail "the capture could not be analysed"
  echo "$report"
  # A machine that stalls for seconds (a paused or snapshotted virtual
  # machine) loses sound and grabs from the capture itself: nothing to judge.
  stalled=$(awk -v s="$seconds" '/^sound:/ && ($2 < 0.9 * s || $NF + 0 < 216)' <<<"$report")
  [ -z "$stalled" ] || { echo "SKIP: the machine stalled during the measurement: $stalled"; exit 77; }
  summary=$(grep '^offsets: count' <<<"$report") || vsf_fail "no burst measured"
  awk '{ print $3, $5, $7, $9 }' <<<"$summary" >"$VSF_TMP/summary"
  sed -n 's/^burst at .*picture *\([-+0-9.]*\) ms after the sound (frame gap \([0-9.]*\) ms)$/\1 \2/p' \
    <<<"$report" >"$VSF_TMP/bursts"
}

# sync_judge MEDIAN_MAX BURST_MAX [STRAYS [EARLY_MAX]]: judges the last
# sync_measure by what the measurement resolves. At least 8 bursts; the median
# lag within [0, MEDIAN_MAX] ms; every burst within [-(gap + EARLY_MAX),
# BURST_MAX + gap] ms, gap being that burst's own frame gap in the grab (the
# grab cannot place a flash closer) and EARLY_MAX by default 2 ms, the sound
# server's timestamp jitter, bar STRAYS of them. Sets $sync_result (figures
# and spread), and $sync_why when it fails.
sync_judge() {
  local median_max=${1:?median bound} burst_max=${2:?burst bound} strays=${3:-0}
  local early_max=${4:-2}
  local count median min max spread outside
  read -r count median min max <"$VSF_TMP/summary"
  spread=$(awk '{ print $1 + 0 }' "$VSF_TMP/bursts" | sort -g | awk '
    { v[NR] = $1; s += $1; ss += $1 * $1 }
    END {
      if (NR == 0) exit
      m = s / NR
      printf "quartiles %.1f and %.1f ms, standard deviation %.1f ms", v[int((NR + 3) / 4)],
        v[int((3 * NR + 3) / 4)], sqrt(ss / NR - m * m > 0 ? ss / NR - m * m : 0)
    }')
  sync_result="$count bursts, picture after the sound by median $median ms, min $min, max $max; $spread"
  outside=$(awk -v l="$burst_max" -v e="$early_max" '$1 < -($2 + e) || $1 > l + $2' \
    "$VSF_TMP/bursts")
  sync_why=""
  if [ "$count" -lt 8 ]; then
    sync_why="fewer than 8 bursts"
  elif [ "$(grep -c . "$VSF_TMP/bursts")" -ne "$count" ]; then
    sync_why="$(grep -c . "$VSF_TMP/bursts") bursts read from the analysis, which counts $count"
  elif ! awk -v m="$median" -v l="$median_max" 'BEGIN { exit !(m >= 0 && m <= l) }'; then
    sync_why="the median is outside [0, $median_max] ms"
  elif [ "$(grep -c . <<<"$outside")" -gt "$strays" ]; then
    sync_why="bursts outside [-(gap + $early_max), $burst_max + gap] ms (offset, gap): $(tr '\n' ';' <<<"$outside")"
  elif [ -n "$outside" ]; then
    vsf_log "$sync_result: a burst outside [-(gap + $early_max), $burst_max + gap] ms: $outside"
  fi
  [ -z "$sync_why" ]
}
