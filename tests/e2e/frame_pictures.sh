#!/usr/bin/env bash
# velvetstaticfog-frame draws frames 1 to 5 with pictures 28, 14, 30, 1 and 71
# of our set. With all factors 255 every noise channel is 0 or at least 255,
# so an image row is dark only where the picture's level is 0 (or where the
# noise pixel before it is black in all three channels, which darkens the
# whole row); lit pixels take one value for level 1 and another for level 2.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
source "$(dirname "$0")/picture_masks.sh"
masks="$VSF_TMP/masks"
vsf_picture_masks "$masks"

rowBytes=2560
expected=(28 14 30 1 71)
for frame in 1 2 3 4 5; do
  out="$VSF_TMP/frame$frame.raw"
  "$VSF_PROGRAM" --frame "$frame" --elapsed $((frame * 40)) --factors 255 255 255 \
    --format raw --out "$out" || vsf_fail "frame $frame not written"
  # Rows 189..267; the odd ones of these (picture rows 0, 2, ..., 78) are the image.
  read -r best misses runnerUp levels litRows hiddenRows < <(
    od -An -v -tu4 -w$rowBytes -j $((189 * rowBytes)) -N $((79 * rowBytes)) "$out" |
      awk -v masks="$masks" '
      BEGIN {
        while ((getline line < masks) > 0) {
          split(line, m, " "); level[m[1], m[2], m[3]] = m[4]; perRow[m[1], m[3]]++
        }
        for (k = 0; k < 79; k++) known[k] = 1
      }
      NR % 2 == 1 {
        row = NR - 1; lit = 0
        for (x = 0; x < 640; x++) if ($(x + 1) != 0) lit++
        if (lit == 0) { darkRow[row] = 1; next }
        rows[row] = 1
        for (x = 0; x < 640; x++) value[x, row] = $(x + 1)
      }
      END {
        for (k in known) {
          miss = 0
          for (row in rows) {
            for (x = 0; x < 640; x++) {
              on = value[x, row] != 0; inside = (k, x, row) in level
              if (on != inside) miss++
            }
          }
          misses[k] = miss
        }
        best = -1
        for (k in known) if (best < 0 || misses[k] < misses[best]) best = k
        second = -1
        for (k in known) if (k != best && (second < 0 || misses[k] < misses[second])) second = k
        # One value per level in every lit row of the best picture.
        consistent = 1
        for (row in rows) {
          v1 = ""; v2 = ""
          for (x = 0; x < 640; x++) {
            if (!((best, x, row) in level)) continue
            l = level[best, x, row]; v = value[x, row]
            if (l == 1) { if (v1 == "") v1 = v; else if (v != v1) consistent = 0 }
            else { if (v2 == "") v2 = v; else if (v != v2) consistent = 0 }
          }
          if (v1 != "" && v2 != "" && v1 == v2) consistent = 0
        }
        litRows = 0; for (row in rows) litRows++
        hidden = 0; for (row in darkRow) if ((best, row) in perRow) hidden++
        printf "%d %d %d %d %d %d\n", best, misses[best], misses[second], consistent, litRows, hidden
      }')
  vsf_log "frame $frame: picture $best ($misses pixels off, next best $runnerUp off)," \
    "one shade per level: $levels; $litRows lit rows, $hiddenRows rows with letters left dark"
  want=${expected[$((frame - 1))]}
  [ "$best" = "$want" ] || vsf_fail "frame $frame shows picture $best, not $want"
  [ "$misses" = 0 ] || vsf_fail "frame $frame: $misses pixels differ from picture $want"
  [ "$runnerUp" -gt 0 ] || vsf_fail "frame $frame: another picture fits as well"
  [ "$levels" = 1 ] || vsf_fail "frame $frame: levels 1 and 2 are not drawn as two shades"
  [ "$litRows" -ge 5 ] || vsf_fail "frame $frame: only $litRows lit image rows"
done
vsf_pass "frames 1 to 5 show pictures ${expected[*]}"
