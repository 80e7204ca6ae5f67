#!/usr/bin/env bash
# The setup dialog comes first, centred on the screen, with fullscreen and
# sound checked and loop unchecked (read from a screenshot, the boxes told
# apart by position: fullscreen, loop, sound from left to right); Return
# starts the fullscreen show, which draws the grey rules and the picture
# band; Escape there ends it with 0. Run on Linux and under Wine
# (VSF_UNDER_WINE set), on a 640 x 480 screen, where the picture is one to one.
# Usage: dialog_defaults.sh PROGRAM [BUILD_DIR]
if [ -n "${VSF_UNDER_WINE:-}" ]; then
  source "$(dirname "$0")/../windows/wine_lib.sh"
else
  source "$(dirname "$0")/lib.sh"
  source "$(dirname "$0")/dialog_lib.sh"
fi
vsf_setup "$@"
vsf_start_x 640x480x24
vsf_expect_clear_screen
# The letters take the noise's colours, which are black without music.
music=qx-731_030321_4_tessellated.ogg
[ -f "$VSF_BUILD_DIR/$music" ] || vsf_fail "no music at $VSF_BUILD_DIR/$music"
mkdir -p "$VSF_TMP/run"
cp "$VSF_BUILD_DIR/$music" "$VSF_TMP/run/"
vsf_start_program "$VSF_TMP/run"

dialog=$(vsf_wait_dialog 60) || vsf_fail "the setup dialog did not appear"
[ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "the show opened before the dialog"

# The window manager frames the dialog first; then it is centred, frame included.
read -r screenWidth screenHeight < <(vsf_screen_size)
centred=""
for _ in $(seq 30); do
  read -r fx fy fw fh < <(vsf_frame_geometry "$dialog")
  dx=$((2 * fx + fw - screenWidth))
  dy=$((2 * fy + fh - screenHeight))
  if [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]; then centred=yes; break; fi
  sleep 0.1
done
[ -n "$centred" ] || vsf_fail "dialog frame at $fx,$fy ${fw}x$fh is not centred on ${screenWidth}x$screenHeight"

sleep 0.5 # drawn once mapped
shot="$VSF_TMP/dialog.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
mapfile -t boxes < <(vsf_dialog_boxes "$shot" "$dialog")
[ "${#boxes[@]}" = 3 ] || vsf_fail "expected 3 check boxes, found ${#boxes[@]}: ${boxes[*]}"
read -r _ fullscreenY fullscreen <<<"${boxes[0]}"
read -r _ loopY loop <<<"${boxes[1]}"
read -r _ soundY sound <<<"${boxes[2]}"
[ $((fullscreenY - soundY)) -le 2 ] && [ $((soundY - fullscreenY)) -le 2 ] &&
  [ $((loopY - soundY)) -le 2 ] && [ $((soundY - loopY)) -le 2 ] ||
  vsf_fail "boxes not in one row: ${boxes[*]}"
[ "$fullscreen $loop $sound" = "1 0 1" ] ||
  vsf_fail "fullscreen/loop/sound checked $fullscreen/$loop/$sound, expected 1/0/1"

vsf_key "$dialog" Return
window=$(vsf_wait_show_size screen 60) || vsf_fail "Return did not start the fullscreen show"
[ -z "$(vsf_find_window "$VSF_DIALOG_PATTERN")" ] || vsf_fail "the dialog is still open"
sleep 3

# The rules in the odd rows 101-107 and 373-379 between noise rows, grey
# dashes on black; the picture rows odd in 189-267. The letters take the
# colour of the noise pixel before them, which is often black, and a
# screenshot may catch the window mid-update, so a few frames are looked at.
shot="$VSF_TMP/show.png"
rules_drawn() {
  local row
  [ "$(vsf_colour_count "$shot" 640x100+0+0)" = 1 ] || return 1
  for row in 101 103 105 107 373 375 377 379; do
    "$VSF_CONVERT" "$shot" -crop "640x1+0+$row" +repage -depth 8 -alpha off txt:- | awk '
      NR > 1 { split($2, c, /[(,)]/); seen[$2] = 1; if (c[2] != c[3] || c[3] != c[4]) notGrey = 1 }
      END { n = 0; for (k in seen) n++; exit !(n == 2 && !notGrey) }' || return 1
  done
}
lit_rows() {
  local row lit=0
  for row in $(seq 189 2 267); do
    [ "$(vsf_colour_count "$shot" "640x1+0+$row")" -ge 2 ] && lit=$((lit + 1))
  done
  echo "$lit"
}
rules=no most=0
for attempt in $(seq 20); do
  [ "$attempt" = 1 ] || sleep 0.5
  vsf_screenshot "$shot" || vsf_fail "no screenshot"
  rules_drawn && rules=yes
  lit=$(lit_rows)
  [ "$lit" -gt "$most" ] && most=$lit
  [ "$rules" = yes ] && [ "$most" -ge 3 ] && break
done
vsf_log "rules drawn: $rules; at most $most of 40 picture rows lit"
[ "$rules" = yes ] || vsf_fail "no plain top and dashed grey rules in any screenshot"
[ "$most" -ge 3 ] || vsf_fail "the picture band shows nothing"

vsf_key "$window" Escape
vsf_wait_exit 15 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape"
vsf_pass "dialog centred with fullscreen and sound checked; Return starts the show, drawn; exit 0 on Escape"
