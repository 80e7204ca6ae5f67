#!/usr/bin/env bash
# `make package` gives a Debian package that installs a working show: CPack
# builds it from this build tree, dpkg -x unpacks it into a scratch root, and
# the unpacked program, started from another folder, finds its installed
# music (the noise is coloured) and shows its dialog and picture.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
app_id=org.velvetstaticfog.velvetstaticfog

cpack --config "$VSF_BUILD_DIR/CPackConfig.cmake" -B "$VSF_TMP/package" >"$VSF_TMP/cpack.log" 2>&1 ||
  { cat "$VSF_TMP/cpack.log" >&2; vsf_fail "cpack failed"; }
deb=$(ls "$VSF_TMP"/package/velvetstaticfog_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || vsf_fail "no package made"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Section)" = video ] || vsf_fail "section is '$(field Section)', expected video"
for library in libsdl2 libvorbisfile libfltk1.3 libkissfft libc6; do
  field Depends | grep -q "$library" || vsf_fail "no dependency on $library: $(field Depends)"
done

root="$VSF_TMP/root"
dpkg -x "$deb" "$root" || vsf_fail "dpkg -x failed"
share="$root/usr/share"
for file in usr/bin/velvetstaticfog usr/share/velvetstaticfog/qx-731_030321_4_tessellated.ogg \
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
  usr/share/man/man6/velvetstaticfog.6.gz usr/bin/velvetstaticfog-capture \
  usr/share/man/man1/velvetstaticfog-capture.1.gz; do
  [ -s "$root/$file" ] || vsf_fail "the package has no /$file"
done
for size in 48 128 256; do
  icon="$share/icons/hicolor/${size}x${size}/apps/velvetstaticfog.png"
  [ "$("$VSF_CONVERT" "$icon" -format '%w %h' info:)" = "$size $size" ] ||
    vsf_fail "no $size px icon at $icon"
done
desktop-file-validate "$share/applications/$app_id.desktop" || vsf_fail "desktop entry invalid"
grep -qx 'Icon=velvetstaticfog' "$share/applications/$app_id.desktop" || vsf_fail "entry names no icon"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" >/dev/null ||
  vsf_fail "metainfo invalid"
for page in man6/velvetstaticfog.6.gz man1/velvetstaticfog-capture.1.gz; do
  MANWIDTH=80 man -l "$share/man/$page" 2>/dev/null | grep -q 'EXIT STATUS' ||
    vsf_fail "the man page $page does not read"
done

# The unpacked program, run from an empty folder elsewhere; the noise rows
# are only coloured when it has found the music in its data folder.
VSF_PROGRAM="$root/usr/bin/velvetstaticfog"
elsewhere="$VSF_TMP/elsewhere"
mkdir -p "$elsewhere"
vsf_start_x 640x480x24
vsf_start_program "$elsewhere"
window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the unpacked show did not start"
sleep 4
fewest=999999
for i in 1 2 3; do
  shot="$VSF_TMP/shot-$i.png"
  vsf_screenshot "$shot" || vsf_fail "no screenshot"
  for band in 640x1+0+120 640x1+0+300; do
    count=$(vsf_colour_count "$shot" "$band")
    [ "$count" -lt "$fewest" ] && fewest=$count
  done
  sleep 0.5
done
vsf_log "unpacked show: at least $fewest colours in each noise row"
[ "$fewest" -ge 16 ] || vsf_fail "the noise is not coloured: the installed music was not found"
vsf_key "$window" Escape
vsf_wait_exit 20 || vsf_fail "the unpacked show did not end after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after Escape"
[ -z "$(find "$elsewhere" -mindepth 1)" ] || vsf_fail "the show wrote into its working folder"

# The unpacked capture program finds the same music from there.
(cd "$elsewhere" && "$root/usr/bin/velvetstaticfog-capture" --out show.mkv --seconds 0.1 \
  2>"$VSF_TMP/capture-errors") || vsf_fail "the unpacked capture failed: $(cat "$VSF_TMP/capture-errors")"
[ -s "$elsewhere/show.mkv" ] || vsf_fail "the unpacked capture wrote no video"
vsf_pass "the package installs a show and its capture that find their music from any folder"
