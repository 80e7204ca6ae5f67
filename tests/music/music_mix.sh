#!/usr/bin/env bash
# The built music's mix and arrangement: the parts in proportion and the
# limiter light (rendered alone by music-stems), the drops breathing and
# landing after builds that rise from below them, no held tone, no literal
# eight-bar loop, air in 2-6 kHz, and a loop join that stays in A minor
# without a jump in level.
set -u
report_tool=$1
stems_tool=$2
music=$3
[ -f "$music" ] || { echo "FAIL: no music at $music"; exit 1; }
report=$("$report_tool" "$music") || { echo "FAIL: music-report failed"; exit 1; }
stems=$("$stems_tool") || { echo "FAIL: music-stems failed"; exit 1; }
echo "$report"
echo "$stems"
measured=$(printf '%s\n%s\n' "$report" "$stems")
source "$(dirname "$0")/../report_checks.sh"

check "limiter gain reduction in drops, median" 0 3
check_above "stem kick in drop 1" "stem pad in drop 1" 2
check_above "stem melody in drop 1" "stem pad in drop 1" 0
check_above "stem bass in drop 1" "stem pad in drop 1" 0
check "melody holds the strongest partial of 0.5-4 kHz" 40 100
check "drop band 2-6 kHz" 4 100
check "drop loudness movement p10-p90" 2 100
check "build start under its drop" 4 100
check "build rise" 1 100
check "last half bar under its drop" 6 100
check "bar to bar 8 similarity in drops" -1 0.75
check "seconds one 4 Hz slice holds a quarter of 250-4000 Hz" 0 10
check "longest held tone" 0 8
check "loop join step" 0 6
check_text "start key" "A minor"
check_text "end key" "A minor"
[ "$failures" = 0 ] || exit 1
echo "PASS: the music's mix and arrangement meet their numbers"
