#!/usr/bin/env bash
# The tools that write files never write onto a file they read, whatever name
# leads to it (the file's own, a symbolic link, a hard link, the installed
# copy the program finds), and leave nothing behind when they refuse; past a
# file size limit or onto a full disk each says so and fails, leaving no
# temporary and no whole file replaced by a partial one; --help is the usage
# on standard output, exit 0.
# Usage: tool_outputs.sh SHOW_REPORT MUSIC_REPORT MUSIC_FACTORS BUILD_DIR CAPTURE FRAME_TOOL
#        [GENERATE_PICTURES FONT]
set -u
show_report=${1:?show-report} music_report=${2:?music-report} music_factors=${3:?music-factors}
build=${4:?build folder} capture=${5:?capture} frame_tool=${6:?frame tool}
generate_pictures=${7:-} font=${8:-}
music=qx-731_030321_4_tessellated.ogg
work=$(mktemp -d "${TMPDIR:-/tmp}/vsf-tools.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cp "$build/$music" .
ln -s "$music" link.ogg
ln "$music" hard.ogg
sum=$(md5sum <"$music")

# NAME CODE: the run refused with exit code 1 and why, the music is as it
# was and no temporary file stays.
refused() {
  [ "$2" = 1 ] || fail "$1: exit code $2, not 1"
  grep -q "also read as input" err || fail "$1: $(cat err)"
  [ "$(md5sum <"$music")" = "$sum" ] || fail "$1 wrote onto the music"
  [ -z "$(find . -maxdepth 1 -name '.*' ! -name .)" ] || fail "$1 left $(find . -name '.*' ! -name .)"
}

for name in "$music" link.ogg hard.ogg; do
  "$show_report" --csv "$name" >/dev/null 2>err
  refused "show-report --csv $name" $?
  "$music_factors" "$music" --csv "$name" >/dev/null 2>err
  refused "music-factors --csv $name" $?
done
"$music_factors" "$music" --spectrum 1 link.ogg >/dev/null 2>err
refused "music-factors --spectrum 1 link.ogg" $?

# The show's music found in an installed data folder, named from elsewhere.
mkdir -p inst/bin inst/share/velvetstaticfog elsewhere
cp "$show_report" inst/bin/
cp "$music" inst/share/velvetstaticfog/
installed=inst/share/velvetstaticfog/$music
(cd elsewhere && exec ../inst/bin/show-report --fps 10 --csv "../$installed") >/dev/null 2>err
code=$?
[ "$code" = 1 ] && grep -q "also read as input" err || fail "installed show-report --csv: exit $code: $(cat err)"
[ "$(md5sum <"$installed")" = "$sum" ] || fail "installed show-report wrote onto its music"
rm -rf inst elsewhere

# A short track for the reports, and a chained Ogg whose second link is mono
# at another rate: each link read whole, at its own length.
ffmpeg -nostdin -v error -f lavfi -i sine=f=220:r=44100:d=2 -ac 2 -c:a libvorbis stereo.ogg &&
  ffmpeg -nostdin -v error -f lavfi -i sine=f=330:r=22050:d=2 -ac 1 -c:a libvorbis mono.ogg ||
  fail "ffmpeg could not make the tracks"
cat stereo.ogg mono.ogg >chained.ogg
"$music_report" chained.ogg >out 2>err
code=$?
[ "$code" = 0 ] && grep -q "^length: 4.0 s" out || fail "music-report chained.ogg: exit $code: $(head -n1 out) $(cat err)"

# Each writer past a file size limit, then onto a full disk. A video that
# would replace a whole one is kept beside it.
"$capture" --out old.mkv --lossless --scale 1 --fps 10 --seconds 1 2>/dev/null || fail "capture old.mkv"
old=$(md5sum <old.mkv)
limited() { # LIMIT_BLOCKS NAME COMMAND...: exit 1, said why, no temporary left
  local blocks=$1 name=$2
  shift 2
  (ulimit -f "$blocks" && exec "$@") >/dev/null 2>err
  local code=$?
  [ "$code" = 1 ] || fail "$name under ulimit -f $blocks: exit $code: $(cat err)"
  grep -qiE "too large|size limit" err || fail "$name under ulimit -f $blocks: $(cat err)"
  [ -z "$(find . -maxdepth 1 -name '.*' ! -name .)" ] || fail "$name left $(find . -name '.*' ! -name .)"
}
limited 2000 "capture --force" "$capture" --force --out old.mkv --lossless --scale 1 --fps 10 --seconds 10
[ "$(md5sum <old.mkv)" = "$old" ] || fail "capture --force under a limit replaced a whole video"
grep -q "old-[0-9]*.mkv holds .*old.mkv is left as it was" err || fail "capture --force: $(cat err)"
rm -f old-*.mkv
limited 1 "capture, no frame fits" "$capture" --force --out tiny.mkv --lossless --scale 1 --fps 10 --seconds 1
grep -q "the show ended" err && fail "capture, no frame fits: $(cat err)"
limited 100 "velvetstaticfog-frame" "$frame_tool" --frame 1 --elapsed 0 --factors 1 1 1 --format ppm --out f.ppm
limited 10 "show-report --csv" "$show_report" --fps 240 --music stereo.ogg --csv report.csv
limited 100 "music-factors --csv" "$music_factors" "$music" --csv factors.csv
[ ! -e f.ppm ] && [ ! -e report.csv ] && [ ! -e factors.csv ] || fail "a writer left a partial file"
for run in "show-report --fps 10 --music stereo.ogg" "music-report chained.ogg" "music-factors $music"; do
  tool=$show_report
  case "$run" in music-report*) tool=$music_report ;; music-factors*) tool=$music_factors ;; esac
  # shellcheck disable=SC2086 # the words of $run after the name are its arguments
  "$tool" ${run#* } >/dev/full 2>err
  code=$?
  [ "$code" = 1 ] && grep -q "standard output" err || fail "$run >/dev/full: exit $code: $(cat err)"
done

# The picture generator with its list of names where a picture would go.
if [ -n "$generate_pictures" ]; then
  mkdir pictures
  printf 'first\nsecond\n' >pictures/picture_01.pcx
  "$generate_pictures" "$font" pictures/picture_01.pcx pictures >/dev/null 2>err
  code=$?
  [ "$code" = 1 ] && grep -q "also read as input" err || fail "generate_pictures: exit $code: $(cat err)"
  [ "$(cat pictures/picture_01.pcx)" = "$(printf 'first\nsecond')" ] || fail "generate_pictures wrote onto its list"
fi

for tool in "$show_report" "$music_report"; do
  out=$("$tool" --help 2>err)
  code=$?
  [ "$code" = 0 ] && [[ $out == usage:* ]] && [ ! -s err ] ||
    fail "$(basename "$tool") --help: exit $code, out '$out', errors '$(cat err)'"
done

[ "$failures" = 0 ] || exit 1
echo "PASS: no tool writes onto what it reads; --help answers on standard output"
