#!/usr/bin/env bash
# The built show is bright enough to see, still follows its music and does
# not flash: the band's median luma over 30-540 s, its brightest and darkest
# 10 s (sections stay distinct), the beat pulse in the drops, the hue's spread
# and the most general and red flashes in any second (three at most, the
# photosensitivity threshold), measured by show-report over every frame at
# 60 fps.
# Usage: show_brightness.sh SHOW_REPORT BUILD_DIR
set -u
report_tool=$1
build=$2
[ -f "$build/qx-731_030321_4_tessellated.ogg" ] || { echo "FAIL: no music in $build"; exit 1; }
report=$(cd "$build" && "$report_tool" --fps 60) || { echo "FAIL: show-report failed"; exit 1; }
echo "$report"

measured=$report
source "$(dirname "$0")/../report_checks.sh"
check "band luminance median 30-540 s" 40 1e9
check "brightest 10 s" 50 1e9
check "darkest 10 s" 12 1e9
check "darkest over brightest" 0 0.7
check "beat pulse in drops" 0.4 1e9
check "hue spread" 60 1e9
check "general flashes in any second, most" 0 3
check "red flashes in any second, most" 0 3
[ "$failures" = 0 ] || exit 1
echo "PASS: the show is bright, its sections distinct, its band pulsing and changing hue, and it does not flash"
