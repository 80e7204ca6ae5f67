#!/usr/bin/env bash
# The built music's mix and arrangement: the parts in proportion and the
# limiter light (rendered alone by music-stems), the drops breathing and
# landing after builds that rise from below them, no held tone, no literal
# eight-bar loop, air in 2-6 kHz, and a loop join that stays in A minor
# without a jump in level. Then what a listener waits for: each drop lands
# louder and no duller than the build's last full bar, air on top, a kick
# that stands apart from the bass, open breakdowns and clean builds, a hook
# stated and restated in each drop, drops unlike one another, a groove that
# moves, and a presence band that survives mono.
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
check "seconds one 4 Hz slice holds a quarter of 250-4000 Hz" 0 10
check "longest held tone" 0 8
check "loop join step" 0 6
check "drop bar 1 over the build's last full bar" 1.5 100
check "drop bar 1 6-20 kHz against the build's last full bar" -2 100
check "drop 6-20 kHz share, lowest drop" 4.5 100
check "drop 2-6 kHz share, lowest drop" 4 100
check "stem hats in drop 1" -17 0
check "drop slope 1-16 kHz" -4.5 -3.5
check "kick 25-100 Hz over the level between kicks, lowest drop" 7 100
check "kick sub peak after the onset, latest drop" 0 25
check "kick click 2-8 kHz over the level between kicks, lowest drop" 5 100
check "pump on 300-2000 Hz, least drop" 4 6
check "pump on 300-2000 Hz, most drop" 4 6
check "breakdown share above 6 kHz, lowest" 1.5 100
check "breakdown share 200-500 Hz, highest" 0 10
check "build share 200-500 Hz, highest" 0 12
check "loudest breakdown" -100 -14.5
check "melody hook, bars 1-8 against 9-16, lowest drop" 0.6 1
check "drop against drop band envelopes, closest pair" -1 0.6
check "bar to bar 8 similarity in the groove" -1 0.85
check "drop 2-6 kHz left-right correlation, lowest drop" 0.3 1
check "drop 2-6 kHz lost summed to mono, most" -100 1.5
check_text "start key" "A minor"
check_text "end key" "A minor"
[ "$failures" = 0 ] || exit 1
echo "PASS: the music's mix and arrangement meet their numbers"
