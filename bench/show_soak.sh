#!/usr/bin/env bash
# A long run of the real show as an exhibition screen would have it: windowed,
# looping, sound through a private PulseAudio server, under Xvfb. Samples the
# process every few seconds and reports the resident memory's slope (a linear
# fit, KB a minute, over the whole run and its second half), open files,
# threads and each thread's share of a core. Run by hand, not by make test:
#   bench/show_soak.sh PROGRAM BUILD_DIR [MINUTES] [SAMPLE_SECONDS]
# MINUTES defaults to 30; a short run (1 or 2) tries the script out. The
# samples are left in $VSF_SOAK_SAMPLES when that is set. With
# VSF_SOAK_HEAPTRACK=FILE the show runs under heaptrack and its data is
# copied to FILE (heaptrack_print -M gives the heap over time).
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/dialog_lib.sh"
minutes=${3:-30}
interval=${4:-10}
vsf_setup "$(realpath "$1")" "$(realpath "$2")"
source "$(dirname "$0")/../tests/e2e/sync_lib.sh"
sync_require
sync_start_pulse 44100
vsf_start_x 1024x768x24
program=$VSF_PROGRAM
if [ -n "${VSF_SOAK_HEAPTRACK:-}" ]; then
  printf '#!/bin/sh\nexec heaptrack -o %s "%s"\n' "$VSF_TMP/heap" "$program" >"$VSF_TMP/heaptracked"
  chmod +x "$VSF_TMP/heaptracked"
  VSF_PROGRAM=$VSF_TMP/heaptracked
fi

vsf_start_program "$VSF_BUILD_DIR" SDL_AUDIODRIVER=pulseaudio
dialog=$(vsf_wait_dialog 120) || vsf_fail "no setup dialog"
sleep 0.5
# Focus starts on sound: Tab to fullscreen and clear it, Tab to loop and set it.
vsf_key "$dialog" Tab space Tab space Return
window=$(vsf_wait_show_size 640 480 120) || vsf_fail "no show window"
pid=$(pgrep -n -f "^$program$") || vsf_fail "no show process"
ticks=$(getconf CLK_TCK)

# One line a sample: "SECONDS RSS FDS THREADS ANON FILE SHMEM" (memory in KB:
# the resident total, then its anonymous, file-backed and shared parts), and each thread's
# "NAME TID TICKS" in its own file for the CPU shares.
samples="$VSF_TMP/samples"
: >"$samples"
thread_ticks() {
  local task name
  for task in /proc/"$pid"/task/*; do
    name=$(tr ' ' '_' <"$task/comm" 2>/dev/null) || continue
    # utime and stime: fields 14 and 15, counted after the ") " that ends the name.
    awk -v n="$name" -v t="${task##*/}" '{ sub(/^.*\) /, ""); print n, t, $12 + $13 }' \
      "$task/stat" 2>/dev/null
  done
}
sample() {
  local rss fds threads parts
  rss=$(awk '/^VmRSS:/ { print $2 }' /proc/"$pid"/status) || return 1
  fds=$(find /proc/"$pid"/fd -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
  threads=$(awk '/^Threads:/ { print $2 }' /proc/"$pid"/status)
  parts=$(awk '/^Rss(Anon|File|Shmem):/ { printf " %s", $2 }' /proc/"$pid"/status)
  echo "$(($(vsf_now_ms) - start_ms)) $rss $fds $threads$parts" >>"$samples"
}

start_ms=$(vsf_now_ms)
thread_ticks >"$VSF_TMP/ticks-start"
end_ms=$((start_ms + minutes * 60000))
while [ "$(vsf_now_ms)" -lt "$end_ms" ]; do
  vsf_running || vsf_fail "the show ended after $(((($(vsf_now_ms) - start_ms)) / 1000)) s"
  sample || vsf_fail "the show's process could not be read"
  sleep "$interval"
done
sample
thread_ticks >"$VSF_TMP/ticks-end"
elapsed_ms=$(($(vsf_now_ms) - start_ms))
[ -n "${VSF_SOAK_SAMPLES:-}" ] && cp "$samples" "$VSF_SOAK_SAMPLES"

vsf_key "$window" Escape
vsf_wait_exit 60 || vsf_fail "still running after Escape"
if [ -n "${VSF_SOAK_HEAPTRACK:-}" ]; then
  cp "$(ls "$VSF_TMP"/heap*.zst "$VSF_TMP"/heap*.gz 2>/dev/null | head -n 1)" "$VSF_SOAK_HEAPTRACK"
fi

echo "show soak: $minutes min, a sample every $interval s, $(nproc) cores shared with whatever else runs"
# Least squares over the samples; the first minute (start-up, first loads)
# is left out of the fit.
awk '
  function fit(v, from,   i, n, sx, sy, sxx, sxy) {
    n = 0; sx = sy = sxx = sxy = 0
    for (i = 1; i <= count; i++) if (t[i] >= from) {
      n++; sx += t[i]; sy += v[i]; sxx += t[i] * t[i]; sxy += t[i] * v[i]
    }
    return n < 2 ? 0 : (n * sxy - sx * sy) / (n * sxx - sx * sx)
  }
  {
    count++; t[count] = $1 / 60000; r[count] = $2; f[count] = $3; h[count] = $4
    a[count] = $5; b[count] = $6; s[count] = $7
  }
  END {
    for (i = 1; i < count && t[i] < 1; i++) ;
    printf "RSS: %.1f MB at the start, %.1f MB at 1 min, %.1f MB at the end\n",
      r[1] / 1024, r[i] / 1024, r[count] / 1024
    printf "RSS slope: %.2f KB/min after the first minute, %.2f KB/min over the second half\n",
      fit(r, 1), fit(r, t[count] / 2)
    printf "  of which anonymous %.2f, file-backed %.2f, shared %.2f KB/min after the first minute\n",
      fit(a, 1), fit(b, 1), fit(s, 1)
    minf = maxf = f[1]; minh = maxh = h[1]
    for (i = 2; i <= count; i++) {
      if (f[i] < minf) minf = f[i]; if (f[i] > maxf) maxf = f[i]
      if (h[i] < minh) minh = h[i]; if (h[i] > maxh) maxh = h[i]
    }
    printf "open files: %d to %d; threads: %d to %d\n", minf, maxf, minh, maxh
  }' "$samples"
echo "CPU, percent of one core, by thread:"
awk -v seconds="$(awk -v ms="$elapsed_ms" 'BEGIN { print ms / 1000 }')" -v hz="$ticks" '
  FNR == NR { before[$2] = $3; next }
  { used[$1] += $3 - ($2 in before ? before[$2] : 0) }
  END { for (n in used) printf "  %-20s %5.1f %%\n", n, 100 * used[n] / hz / seconds }
' "$VSF_TMP/ticks-start" "$VSF_TMP/ticks-end" | sort -k2 -n -r
