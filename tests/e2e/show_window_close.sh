#!/usr/bin/env bash
# Closing the show's window through the window manager ends the show with 0.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_start_program

window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"
sleep 0.5
vsf_close_window "$window"
vsf_wait_exit 5 || vsf_fail "still running after its window was closed"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after closing the window"
vsf_pass "closing the window ends the show with 0"
