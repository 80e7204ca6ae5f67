#!/usr/bin/env bash
# The tools that write files never write onto a file they read, whatever name
# leads to it (the file's own, a symbolic link, a hard link), and leave nothing
# behind when they refuse; --help is the usage on standard output, exit 0.
# Usage: tool_outputs.sh SHOW_REPORT MUSIC_REPORT MUSIC_FACTORS BUILD_DIR
#        [GENERATE_PICTURES FONT]
set -u
show_report=${1:?show-report} music_report=${2:?music-report} music_factors=${3:?music-factors}
build=${4:?build folder} generate_pictures=${5:-} font=${6:-}
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
