#!/usr/bin/env bash
# Escape in the Win32 setup dialog ends the program with exit code 1 and no show.
source "$(dirname "$0")/wine_lib.sh"
vsf_setup "$@"
vsf_start_x
vsf_expect_clear_screen
vsf_start_program

dialog=$(vsf_wait_dialog 60) || vsf_fail "the setup dialog did not appear"
vsf_key "$dialog" Escape
deadline=$(($(vsf_now_ms) + 15000))
while vsf_running && [ "$(vsf_now_ms)" -lt "$deadline" ]; do
  [ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "a show window opened after Escape"
  sleep 0.1
done
vsf_wait_exit 1 || vsf_fail "still running after Escape"
[ "$VSF_EXIT_CODE" = 1 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape, expected 1"
vsf_pass "Escape in the dialog ends the program with 1 and no show"
