#!/usr/bin/env bash
# Memory of the windowed show under Xvfb: VmHWM of a plain run, then the
# heaptrack peak heap of a second run, in all and without what SDL's renderer
# and the GL driver allocate. Run by hand (it needs Xvfb, openbox, heaptrack):
#   bench/show_memory.sh PROGRAM BUILD_DIR [SECONDS]
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/dialog_lib.sh"
seconds=${3:-5}
# The program runs from the build folder, so relative paths would point elsewhere.
vsf_setup "$(realpath "$1")" "$(realpath "$2")"
vsf_start_x 1024x768x24
program=$VSF_PROGRAM

# Unchecks fullscreen (Tab to it, Space), starts the show, lets it run, ends it.
run_windowed() {
  vsf_start_program "$VSF_BUILD_DIR"
  dialog=$(vsf_wait_dialog 120) || vsf_fail "no setup dialog"
  sleep 0.5
  vsf_key "$dialog" Tab space Return
  window=$(vsf_wait_show_size 640 480 120) || vsf_fail "no show window"
  sleep "$seconds"
  [ -n "${1:-}" ] && "$1"
  vsf_key "$window" Escape
  vsf_wait_exit 120 || vsf_fail "still running after Escape"
}

hwm() { grep VmHWM "/proc/$(pgrep -n -f "^$program$" || echo "$VSF_PID")/status" >"$VSF_TMP/hwm"; }
run_windowed hwm
echo "VmHWM: $(awk '{ print $2, $3 }' "$VSF_TMP/hwm")"

wrapper="$VSF_TMP/heaptracked"
printf '#!/bin/sh\nexec heaptrack -o %s "%s"\n' "$VSF_TMP/heap" "$program" >"$wrapper"
chmod +x "$wrapper"
VSF_PROGRAM=$wrapper
run_windowed
data=$(ls "$VSF_TMP"/heap*.zst "$VSF_TMP"/heap*.gz 2>/dev/null | head -n 1)
[ -n "${VSF_HEAP_COPY:-}" ] && cp "$data" "$VSF_HEAP_COPY"
heaptrack_print -p 1 -a 0 -T 0 -l 0 -n 100000 -s 1 "$data" 2>/dev/null |
  python3 "$(dirname "$0")/own_peak_heap.py"
