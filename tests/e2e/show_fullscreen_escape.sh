#!/usr/bin/env bash
# The show opens its fullscreen console over the whole screen, the picture
# appears, and Escape ends it with exit code 0 within a second.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
vsf_start_x 1024x768x24
vsf_start_program

window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"

# The window manager may take a moment to give the window the whole screen.
read -r screenWidth screenHeight < <(vsf_screen_size)
geometry=""
for _ in $(seq 50); do
  geometry=$(vsf_window_geometry "$window")
  [ "$geometry" = "0 0 $screenWidth $screenHeight" ] && break
  sleep 0.1
done
[ "$geometry" = "0 0 $screenWidth $screenHeight" ] ||
  vsf_fail "window at '$geometry' does not cover the ${screenWidth}x${screenHeight} screen"

# A few frames later: 640 x 480 scaled by 1.6. Rows 0-100 are never drawn;
# the grey dashed rules sit in rows 101-107 and 373-379 (screen 162-172, 597-607).
sleep 1
shot="$VSF_TMP/fullscreen.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
[ "$(vsf_colour_count "$shot" 1024x150+0+0)" = 1 ] || vsf_fail "the undrawn top rows are not plain"
[ "$(vsf_pixel "$shot" 512 80)" = "0 0 0" ] || vsf_fail "the undrawn top rows are not black"
for band in 1024x12+0+161 1024x12+0+596; do
  [ "$(vsf_colour_count "$shot" "$band")" -ge 2 ] || vsf_fail "no dashed rules in $band"
done

sent=$(vsf_now_ms)
vsf_key "$window" Escape
vsf_wait_exit 1 || vsf_fail "still running a second after Escape"
vsf_log "ended $(($(vsf_now_ms) - sent)) ms after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape"
vsf_pass "fullscreen console shown, Escape ends the show with 0"
