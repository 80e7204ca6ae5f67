#!/usr/bin/env bash
# A display that goes away under the running show (the X server ends, or the
# window's connection is cut), or under the setup dialog, ends the program
# with a message and exit code 0.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"

vsf_start_x 1024x768x24
vsf_start_program
window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"
sleep 0.5
xdotool windowkill "$window"
vsf_wait_exit 5 || vsf_fail "hangs after its connection was cut"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after its connection was cut"
grep -q 'display was lost' "$VSF_STDERR" || vsf_fail "no message after its connection was cut"

vsf_start_program
vsf_wait_window '^velvetstaticfog_1$' 30 >/dev/null || vsf_fail "the show's window did not appear"
sleep 0.5
vsf_stop_x
vsf_wait_exit 5 || vsf_fail "hangs after the display ended"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after the display ended"
grep -q 'display was lost' "$VSF_STDERR" || vsf_fail "no message after the display ended"

# The dialog's own connection: FLTK's handler would end with 1, the cancel code.
vsf_start_x 1024x768x24
vsf_start_program
VSF_ANSWER_BOXES=0 vsf_wait_window '^_{21}$' 20 >/dev/null || vsf_fail "the setup dialog did not appear"
vsf_stop_x
vsf_wait_exit 5 || vsf_fail "hangs after the display ended under the dialog"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after the display ended under the dialog"
grep -q 'display was lost' "$VSF_STDERR" || vsf_fail "no message after the display ended under the dialog"
vsf_pass "a lost display ends the show or its dialog with a message and 0"
