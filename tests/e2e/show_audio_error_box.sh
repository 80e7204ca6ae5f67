#!/usr/bin/env bash
# Without a sound device the audio error box comes before the setup dialog;
# after Return on it and on the dialog the show runs without sound, and
# Escape ends it with 0. The Linux program is given a sound driver SDL does
# not have; under Wine (VSF_UNDER_WINE set) SDL makes its own choice among
# none, as scripts/test-windows gives Wine no audio driver.
# Usage: show_audio_error_box.sh PROGRAM [BUILD_DIR]
if [ -n "${VSF_UNDER_WINE:-}" ]; then
  source "$(dirname "$0")/../windows/wine_lib.sh"
  no_sound=(-u SDL_AUDIODRIVER)
else
  source "$(dirname "$0")/lib.sh"
  source "$(dirname "$0")/dialog_lib.sh"
  no_sound=(SDL_AUDIODRIVER=none)
fi
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_expect_clear_screen
vsf_start_program "${no_sound[@]}"

box=$(vsf_wait_window '^Error$' 60) || vsf_fail "no audio error box"
[ -z "$(vsf_find_window "$VSF_DIALOG_PATTERN")" ] || vsf_fail "the dialog opened before the box"
vsf_key "$box" Return
dialog=$(vsf_wait_dialog 30) || vsf_fail "no setup dialog after the box"
vsf_key "$dialog" Return
window=$(vsf_wait_show_size screen 60) || vsf_fail "no show after the audio error"
sleep 2
vsf_running || vsf_fail "the show ended by itself"
vsf_key "$window" Escape
vsf_wait_exit 15 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE"
vsf_pass "audio error box, then the dialog and the show without sound, exit 0"
