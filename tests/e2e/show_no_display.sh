#!/usr/bin/env bash
# With no display at all the show reports the display error on standard
# error and exits with 0; nothing waits for a person.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
vsf_start_program -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER

vsf_wait_exit 20 || vsf_fail "hangs without a display"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE without a display"
grep -q 'no display' "$VSF_STDERR" || vsf_fail "no display error on standard error"
vsf_pass "without a display: error reported, exit code 0"
