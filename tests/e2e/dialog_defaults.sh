#!/usr/bin/env bash
# The setup dialog comes first, centred on the screen, with fullscreen and
# sound checked and loop unchecked (read from a screenshot, the boxes told
# apart by position: fullscreen, loop, sound from left to right); Return
# starts the fullscreen show, Escape there ends it with 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_start_program

dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
[ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "the show opened before the dialog"

# The window manager frames the dialog first; the stand-in then centres the frame.
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

sleep 0.3
shot="$VSF_TMP/dialog.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
mapfile -t boxes < <(vsf_dialog_boxes "$shot" "$dialog")
[ "${#boxes[@]}" = 3 ] || vsf_fail "expected 3 check boxes, found ${#boxes[@]}: ${boxes[*]}"
read -r _ fullscreenY fullscreen <<<"${boxes[0]}"
read -r _ loopY loop <<<"${boxes[1]}"
read -r _ soundY sound <<<"${boxes[2]}"
[ "$fullscreenY" = "$loopY" ] && [ "$loopY" = "$soundY" ] || vsf_fail "boxes not in one row: ${boxes[*]}"
[ "$fullscreen $loop $sound" = "1 0 1" ] ||
  vsf_fail "fullscreen/loop/sound checked $fullscreen/$loop/$sound, expected 1/0/1"

vsf_key "$dialog" Return
window=$(vsf_wait_show_size screen) || vsf_fail "Return did not start the fullscreen show"
[ -z "$(vsf_find_window "$VSF_DIALOG_PATTERN")" ] || vsf_fail "the dialog is still open"

vsf_key "$window" Escape
vsf_wait_exit 5 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after the show"
vsf_pass "dialog centred with fullscreen and sound checked; Return starts the fullscreen show"
