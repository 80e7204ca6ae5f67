#!/usr/bin/env bash
# With no sound device (scripts/test-windows gives Wine no audio driver, and
# SDL chooses its own) the audio error box appears before the dialog; after
# it the show runs, and Escape ends it with 0.
source "$(dirname "$0")/wine_lib.sh"
vsf_setup "$@"
vsf_start_x
vsf_expect_clear_screen
vsf_start_program -u SDL_AUDIODRIVER

box=$(vsf_wait_window '^Error$' 60) || vsf_fail "no audio error box"
vsf_key "$box" Return
dialog=$(vsf_wait_dialog 30) || vsf_fail "no setup dialog after the box"
vsf_key "$dialog" Return
window=$(vsf_wait_show_size screen 60) || vsf_fail "no show after the audio error"
sleep 2
vsf_running || vsf_fail "the show ended by itself"
vsf_key "$window" Escape
vsf_wait_exit 15 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE"
vsf_pass "audio error box, then the show without sound, exit 0"
