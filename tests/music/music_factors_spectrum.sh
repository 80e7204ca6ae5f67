#!/usr/bin/env bash
# music-factors measures the spectrum the show takes: the spectrum it writes
# for a moment gives, through the frame tool, the very frame the tool draws
# from the music itself at that moment, from the first frames to the last
# seconds of the piece.
set -euo pipefail
factors_tool=${1:?music-factors}
frame_tool=${2:?frame tool}
music=${3:?music file}
[ -f "$music" ] || { echo "FAIL: no music at $music"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vsf-factors.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Whole tens of milliseconds, where a moment falls on a whole sample at
# 44.1 kHz for both tools.
moments=(10 500 31000 61930 123450 400010 572000)
dumps=()
for ms in "${moments[@]}"; do
  dumps+=(--spectrum "$(awk -v ms="$ms" 'BEGIN { printf "%.3f", ms / 1000 }')" "$work/$ms.bin")
done
"$factors_tool" "$music" "${dumps[@]}" >/dev/null

failed=0
for ms in "${moments[@]}"; do
  "$frame_tool" --frame 3 --elapsed "$ms" --music "$music" --out "$work/music.raw"
  if [ -s "$work/$ms.bin" ] &&
    "$frame_tool" --frame 3 --elapsed "$ms" --spectrum "$work/$ms.bin" --out "$work/spectrum.raw" &&
    cmp -s "$work/music.raw" "$work/spectrum.raw"; then
    echo "same: $ms ms"
  else
    echo "DIFFERENT: $ms ms"
    failed=1
  fi
done
# The moments differ, so a spectrum taken at the wrong place would show.
"$frame_tool" --frame 3 --elapsed 31000 --spectrum "$work/61930.bin" --out "$work/other.raw"
"$frame_tool" --frame 3 --elapsed 31000 --spectrum "$work/31000.bin" --out "$work/spectrum.raw"
if cmp -s "$work/other.raw" "$work/spectrum.raw"; then
  echo "FAIL: two moments of the music give the same frame"
  failed=1
fi
[ "$failed" = 0 ] && echo "PASS: ${#moments[@]} moments measured as the show takes them"
exit "$failed"
