# shellcheck shell=bash
# End-to-end harness for the Windows program under Wine; source instead of
# lib.sh. scripts/test-windows runs the whole ctest run in one Wine prefix
# with one wineserver and one X display (Xvfb + openbox), so these tests
# share that display and run one at a time; vsf_start_x only checks for it.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/dialog_lib.sh"
VSF_LAUNCHER=(wine)

vsf_start_x() {
  [ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] ||
    vsf_fail "run through scripts/test-windows: no shared display or Wine prefix"
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
    vsf_fail "no window manager on $DISPLAY"
}

# A window of ours still open from an earlier test would be found instead of
# this test's; the display is shared, so make sure there is none.
vsf_expect_clear_screen() {
  local pattern
  for pattern in '^velvetstaticfog_1$' "$VSF_DIALOG_PATTERN" '^Error$'; do
    [ -z "$(vsf_find_window "$pattern")" ] || vsf_fail "a '$pattern' window is left from before"
  done
}
