#!/usr/bin/env bash
# Ctrl-C (SIGINT) and SIGTERM end the program at once wherever it is: in the
# setup dialog as a cancel (exit code 1), during the show as a key does
# (exit code 0, the show's window gone).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/dialog_lib.sh"
vsf_setup "$@"
vsf_start_x 1024x768x24

for signal in INT TERM; do
  vsf_start_program
  dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
  kill -"$signal" "$VSF_PID"
  vsf_wait_exit 5 || vsf_fail "SIG$signal did not end the dialog"
  [ "$VSF_EXIT_CODE" = 1 ] || vsf_fail "exit code $VSF_EXIT_CODE after SIG$signal in the dialog, expected 1"
  [ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "a show window after SIG$signal"

  vsf_start_program
  dialog=$(vsf_wait_dialog) || vsf_fail "the setup dialog did not appear"
  vsf_key "$dialog" Return
  vsf_wait_window '^velvetstaticfog_1$' 30 >/dev/null || vsf_fail "the show's window did not appear"
  sleep 0.5
  kill -"$signal" "$VSF_PID"
  vsf_wait_exit 5 || vsf_fail "SIG$signal did not end the show"
  [ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after SIG$signal in the show, expected 0"
  [ -z "$(vsf_find_window '^velvetstaticfog_1$')" ] || vsf_fail "the show's window stayed after SIG$signal"
done
vsf_pass "SIGINT and SIGTERM cancel the dialog with 1 and end the show with 0"
