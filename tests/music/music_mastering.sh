#!/usr/bin/env bash
# The built music holds its mastering brief: loudness, loudness range, true
# peak, the drops above the breakdowns, the low end in proportion, no DC and
# no clipping. A report tool that measured nothing would fail here too.
set -u
report_tool=$1
music=$2
[ -f "$music" ] || { echo "FAIL: no music at $music"; exit 1; }
report=$("$report_tool" "$music") || { echo "FAIL: music-report failed"; exit 1; }
echo "$report"

measured=$report
source "$(dirname "$0")/../report_checks.sh"
check "length" 570 576
check "integrated loudness" -12 -9
check "loudness range" 5 100
check "true peak" -100 -1
check "quietest drop over loudest breakdown" 2 100
check "band below 60 Hz" 1 50
check "clipped samples" 0 0
check "stereo correlation" 0.3 0.98
check "side share below 150 Hz" 0 1
# The picture still takes its colours from the music in every part of it.
check "lowest factor median outside intro and outro" 0.25 40
# DC offset of each channel under 0.001 of full scale.
dc_left=$(value "dc offset")
dc_right=$(value "dc offset" 2)
awk -v l="$dc_left" -v r="$dc_right" 'BEGIN { exit !(l != "" && r != "" && l < 0.001 && l > -0.001 && r < 0.001 && r > -0.001) }' ||
  { echo "FAIL: dc offset $dc_left $dc_right"; failures=$((failures + 1)); }
[ "$failures" = 0 ] || exit 1
echo "PASS: the music meets its mastering numbers"
