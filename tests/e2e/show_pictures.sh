#!/usr/bin/env bash
# With the music playing, the odd rows in the middle of the picture show one
# of our names: black paper, letters in one or two shades of the colour of the
# noise pixel at the left end of the row above, and another name every frame.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
source "$(dirname "$0")/picture_masks.sh"
masks="$VSF_TMP/masks"
vsf_picture_masks "$masks"

# A 640 x 480 screen shows the fullscreen console one to one.
vsf_start_x 640x480x24
music=qx-731_030321_4_tessellated.ogg
[ -f "$VSF_BUILD_DIR/$music" ] || vsf_fail "no music at $VSF_BUILD_DIR/$music"
mkdir -p "$VSF_TMP/run"
cp "$VSF_BUILD_DIR/$music" "$VSF_TMP/run/"
vsf_start_program "$VSF_TMP/run"

window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"

# Screen rows 188..267: noise row 188, image row 189 (picture row 0), ...
# Prints for the 40 image rows: rows with any colour, rows with at most two
# colours, rows whose colours are the tint of the noise pixel before them,
# lit pixels, how many of our pictures have lettering under every lit pixel,
# and a fingerprint of where the lit pixels are.
analyse() {
  "$VSF_CONVERT" "$1" -crop 640x80+0+188 +repage -depth 8 -alpha off rgb:- |
    od -An -v -tu1 -w1920 | awk -v masks="$masks" '
    # A loud noise pixel may hold channels of 256 or more, shown as their low
    # byte with bit 8 ORed into the channel to the left; the picture row is
    # tinted with the values held, not the bytes shown. So each shown pixel
    # stands for a few held colours (cand), each giving two tints (want).
    function oddSpill(low, spill) { return spill && low % 2 == 0 ? low + 1 : low }
    function addHeld(r, g, b) { cand[++held] = r " " g " " b }
    function heldColours(R, G, B,   bh, gh, rh, gLow, rLow) {
      held = 0
      for (bh = 0; bh < 2; bh++)
        for (gLow = 0; gLow < 1 + (bh && G % 2 == 1); gLow++)
          for (gh = 0; gh < 2; gh++)
            for (rLow = 0; rLow < 1 + (gh && R % 2 == 1); rLow++)
              for (rh = 0; rh < 2; rh++)
                addHeld(R - rLow + 256 * rh, G - gLow + 256 * gh, B + 256 * bh)
    }
    function shownTint(r, g, b, v,   rt, gt, bt) {
      rt = int(r * v / 4); gt = int(g * v / 4); bt = int(b * v / 2)
      return (rt % 256) " " oddSpill(gt % 256, bt >= 256) " " (bt % 256)
    }
    BEGIN {
      while ((getline line < masks) > 0) { split(line, m, " "); letter[m[1], m[2], m[3]] = 1; known[m[1]] = 1 }
    }
    {
      y = NR - 1
      if (y % 2 == 0) { r = $1; g = $2; b = $3; next }
      heldColours(r, g, b)
      for (c = 1; c <= held; c++) {
        split(cand[c], h, " ")
        want1[c] = shownTint(h[1], h[2], h[3], 1); want2[c] = shownTint(h[1], h[2], h[3], 2)
        consistent[c] = 1
      }
      shades = 0; delete seen
      for (x = 0; x < 640; x++) {
        shown = $(3 * x + 1) " " $(3 * x + 2) " " $(3 * x + 3)
        if (shown == "0 0 0") continue
        lit++; where = where x "," y ";"; litX[lit] = x; litRow[lit] = y - 1
        if (shown in seen) continue
        seen[shown] = 1; shades++
        for (c = 1; c <= held; c++) if (shown != want1[c] && shown != want2[c]) consistent[c] = 0
      }
      matched = 0
      for (c = 1; c <= held; c++) matched = matched || consistent[c]
      if (shades > 0) { rows++; if (shades <= 2) paired++; tinted += matched }
    }
    END {
      candidates = 0
      for (k in known) {
        fits = 1
        for (i = 1; i <= lit && fits; i++) if (!((k, litX[i], litRow[i]) in letter)) fits = 0
        candidates += fits
      }
      printf "%d %d %d %d %d %s\n", rows, paired, tinted, lit, candidates, where
    }' | {
    read -r rows paired tinted lit candidates where
    echo "$rows $paired $tinted $lit $candidates $(echo "$where" | md5sum | cut -c1-12)"
  }
}

# Give the music a moment to reach the spectrum.
sleep 2
declare -A fingerprints=()
litRows=0
named=0
for shot in 1 2 3 4 5 6; do
  file="$VSF_TMP/shot$shot.png"
  vsf_screenshot "$file" || vsf_fail "no screenshot"
  read -r rows paired tinted lit candidates print < <(analyse "$file")
  vsf_log "shot $shot: $rows lit image rows, $paired in one or two shades, $tinted in the" \
    "noise colour; $lit lit pixels, lettering of $candidates pictures under all of them"
  [ "$paired" = "$rows" ] || vsf_fail "an image row shows more than two shades"
  [ $((tinted * 2)) -ge "$rows" ] || vsf_fail "only $tinted of $rows image rows carry the noise colour"
  if [ "$lit" -gt 0 ]; then
    [ "$candidates" -ge 1 ] || vsf_fail "shot $shot: lit pixels where none of our names has letters"
    named=$((named + 1))
  fi
  litRows=$((litRows + rows))
  fingerprints[$print]=1
  sleep 0.3
done
[ "$named" -ge 3 ] || vsf_fail "a name showed in only $named of six screenshots"
[ "$litRows" -ge 10 ] || vsf_fail "only $litRows lit image rows in six screenshots"
[ "${#fingerprints[@]}" -ge 3 ] || vsf_fail "the image band hardly changed between screenshots"

vsf_key "$window" Escape
vsf_wait_exit 5 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE"
vsf_pass "our names in the noise colour, a new one in every screenshot"
