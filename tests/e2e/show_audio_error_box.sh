#!/usr/bin/env bash
# With SDL's own choice of sound device (none on a machine without sound)
# the audio error box may come first; answered with Return, the show opens
# and Escape ends it with 0.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_start_program -u SDL_AUDIODRIVER

window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"
sleep 0.5
vsf_key "$window" Escape
vsf_wait_exit 20 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE"
vsf_pass "past any audio error box to the show and out with 0"
