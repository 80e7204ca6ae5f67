#!/usr/bin/env bash
# Unchecking fullscreen gives the show in a 640 x 480 window: a click on the
# box and a click on OK, or Tab and Space as on Windows and then Return.
# Usage: dialog_windowed.sh PROGRAM [BUILD_DIR] click|keys
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
how=${3:?click or keys}
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_start_program

dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
sleep 0.5 # let the stand-in centre it before finding the boxes
shot="$VSF_TMP/before.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
mapfile -t boxes < <(vsf_dialog_boxes "$shot" "$dialog")
[ "${#boxes[@]}" = 3 ] || vsf_fail "expected 3 check boxes, found ${#boxes[@]}"
read -r boxX boxY checked <<<"${boxes[0]}"
[ "$checked" = 1 ] || vsf_fail "fullscreen is not checked at first"

case $how in
click)
  xdotool mousemove --sync "$boxX" "$boxY" click 1
  ;;
keys)
  # Focus starts on the first tab stop in template order, sound; Tab moves
  # on to fullscreen.
  vsf_key "$dialog" Tab space
  ;;
*) vsf_fail "unknown way to uncheck: $how" ;;
esac
sleep 0.3
shot="$VSF_TMP/after.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
mapfile -t boxes < <(vsf_dialog_boxes "$shot" "$dialog")
states=$(printf '%s\n' "${boxes[@]}" | awk '{ printf "%s", $3 }')
[ "$states" = "001" ] || vsf_fail "after $how the boxes read $states, expected 001"

if [ "$how" = click ]; then
  # OK spans the dialog's width below the boxes, template rows 11 to 27.
  read -r x y w h < <(vsf_client_geometry "$dialog")
  xdotool mousemove --sync $((x + w / 2)) $((y + h * 19 / 27)) click 1
else
  vsf_key "$dialog" Return
fi
window=$(vsf_wait_show_size 640 480) || vsf_fail "OK did not give the 640 x 480 show window"

vsf_key "$window" Escape
vsf_wait_exit 5 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after the show"
vsf_pass "fullscreen unchecked by $how gives the 640 x 480 window"
