#!/usr/bin/env bash
# The music drives the colours: a few seconds into the show the noise rows are
# coloured. Without a music file the show runs all the same, with no box, and
# its noise stays black.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
music=qx-731_030321_4_tessellated.ogg
[ -f "$VSF_BUILD_DIR/$music" ] || vsf_fail "no music at $VSF_BUILD_DIR/$music"

# A 640 x 480 screen shows the fullscreen console one to one. Noise fills the
# even rows from 102 to 378; 120 and 300 are clear of the pictures.
vsf_start_x 640x480x24
noise_rows="640x1+0+120 640x1+0+300"

# Prints the fewest colours found in the noise rows over a few screenshots.
fewest_noise_colours() {
  local fewest=999999 shot band count
  for i in 1 2 3; do
    shot="$VSF_TMP/shot-$1-$i.png"
    vsf_screenshot "$shot" || vsf_fail "no screenshot"
    for band in $noise_rows; do
      count=$(vsf_colour_count "$shot" "$band")
      [ "$count" -lt "$fewest" ] && fewest=$count
    done
    sleep 0.5
  done
  echo "$fewest"
}

mkdir -p "$VSF_TMP/with-music" "$VSF_TMP/without-music"
cp "$VSF_BUILD_DIR/$music" "$VSF_TMP/with-music/"

vsf_start_program "$VSF_TMP/with-music"
window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show's window did not appear"
sleep 4
colours=$(fewest_noise_colours with)
vsf_log "with music: at least $colours colours in each noise row"
[ "$colours" -ge 16 ] || vsf_fail "the noise rows are not coloured by the music ($colours colours)"
vsf_key "$window" Escape
vsf_wait_exit 5 || vsf_fail "the show did not end after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape"

# No music: any box would be an "Error" box; none may appear.
VSF_ANSWER_BOXES=0
vsf_start_program "$VSF_TMP/without-music"
for _ in $(seq 100); do
  [ -n "$(vsf_find_window '^Error$')" ] && vsf_fail "a box appeared for the missing music"
  [ -n "$(vsf_find_window '^_{21}$')" ] && break
  sleep 0.1
done
vsf_answer_boxes >/dev/null || vsf_fail "no setup dialog without music"
window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "no show without music"
sleep 3
shot="$VSF_TMP/silent.png"
vsf_screenshot "$shot" || vsf_fail "no screenshot"
for band in $noise_rows; do
  [ "$(vsf_colour_count "$shot" "$band")" = 1 ] || vsf_fail "noise in $band without music"
done
[ "$(vsf_pixel "$shot" 320 120)" = "0 0 0" ] || vsf_fail "the noise is not black without music"
vsf_key "$window" Escape
vsf_wait_exit 5 || vsf_fail "the show did not end after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape without music"
vsf_pass "the music colours the noise; without it the show runs black, with no box"
