#!/usr/bin/env bash
# Cancelling the setup dialog ends the program with exit code 1 and no show
# window: by Escape, or by a close request through the window manager (the
# dialog asks for no close box, but a window manager may keep one). Run on
# the Linux program and, with VSF_UNDER_WINE set, on the Windows one.
# Usage: dialog_cancel.sh PROGRAM [BUILD_DIR] escape|close
if [ -n "${VSF_UNDER_WINE:-}" ]; then
  source "$(dirname "$0")/../windows/wine_lib.sh"
else
  source "$(dirname "$0")/lib.sh"
  source "$(dirname "$0")/dialog_lib.sh"
fi
how=${3:?escape or close}
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_expect_clear_screen
vsf_start_program

dialog=$(vsf_wait_dialog 60) || vsf_fail "the setup dialog did not appear"
case $how in
escape) vsf_key "$dialog" Escape ;;
close)
  # The dialog asks for a caption without a close box: in its Motif hints, move
  # is the only function. openbox keeps the close all the same, so the close
  # request below must still cancel.
  hints=$(xprop -id "$dialog" _MOTIF_WM_HINTS | sed -n 's/.*= //p')
  IFS=', ' read -r flags functions _ <<<"$hints"
  (((flags & 1) && (functions & 0x21) == 0)) || vsf_fail "the dialog keeps its close box ($hints)"
  vsf_close_window "$dialog"
  ;;
*) vsf_fail "unknown way to cancel: $how" ;;
esac

# Watch for a show window until the program has ended.
deadline=$(($(vsf_now_ms) + 15000))
while vsf_running && [ "$(vsf_now_ms)" -lt "$deadline" ]; do
  [ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "a show window opened after $how"
  sleep 0.05
done
vsf_wait_exit 20 || vsf_fail "still running after $how"
[ "$VSF_EXIT_CODE" = 1 ] || vsf_fail "exit code $VSF_EXIT_CODE after $how, expected 1"
vsf_pass "$how on the dialog ends the program with 1 and no show"
