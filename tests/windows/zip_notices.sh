#!/usr/bin/env bash
# The Windows zip as handed out: the licence, a readme with the project's
# version, and the notice of every library linked into the program. The
# linker's map lists each archive member and object file the program holds;
# each must be the build's own or belong to a library whose notice, as
# recorded from its Debian source package, is in THIRD-PARTY-NOTICES.txt.
# Usage: zip_notices.sh ZIP LINK_MAP NOTICES_DIR SOURCE_DIR BUILD_DIR VERSION
set -u
zip=$1 map=$2 notices=$3 source=$4 build=$5 version=$6
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vsf-zip.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip" >&2; exit 1; }

cmp -s "$tmp/LICENSE.txt" "$source/LICENSE" || fail "LICENSE.txt is not the project's LICENSE"
grep -qx "Version $version." "$tmp/README.txt" || fail "README.txt does not give version $version"
packed_notices="$tmp/THIRD-PARTY-NOTICES.txt"
[ -s "$packed_notices" ] || { echo "FAIL: no THIRD-PARTY-NOTICES.txt" >&2; exit 1; }

# Every input the linker used: archives a member was taken from, and object
# files loaded whole. The build's own are named relative to its folders or
# inside it; the toolchain's and the libraries' by absolute paths.
{
  sed -n 's/^\([^ (][^(]*\.a\)(.*/\1/p' "$map"
  sed -n 's/^LOAD \(.*\.obj\?\)$/\1/p' "$map"
} | sort -u >"$tmp/named"
[ "$(grep -c '^/' "$tmp/named")" -ge 5 ] || fail "the link map names too few libraries: $(cat "$tmp/named")"
build_root=$(realpath -m "$build")
grep '^/' "$tmp/named" | xargs -r -d '\n' realpath -m -- | sort -u |
  grep -v "^$build_root/" >"$tmp/inputs"

needed=""
while read -r input; do
  owner=$(grep -lx -F -- "$input" "$notices"/*/files | head -n1)
  if [ -z "$owner" ]; then
    fail "$input is linked into the program but no library notice covers it"
    continue
  fi
  needed="$needed $(basename "$(dirname "$owner")")"
done <"$tmp/inputs"
needed=$(printf '%s\n' $needed | sort -u)
echo "libraries linked into the program:" $needed

# Each needed notice is there whole: its title and every line of its
# Debian copyright file.
for name in $needed; do
  title=$(head -n1 "$notices/$name/title")
  grep -qxF -- "$title" "$packed_notices" || fail "THIRD-PARTY-NOTICES.txt lacks the heading '$title'"
  missing=$(grep -vxF -f "$packed_notices" "$notices/$name/copyright" | head -n3)
  [ -z "$missing" ] || fail "THIRD-PARTY-NOTICES.txt lacks lines of $name's notice: $missing"
done

# The notices carry the licence terms binary redistribution asks for, as the
# Debian copyright files wrap them.
has() { # library phrase
  case " $(echo $needed) " in *" $1 "*) ;; *) fail "$1 is not among the linked libraries"; return ;; esac
  tr -s ' \n\t' '   ' <"$notices/$1/copyright" | grep -qiF -- "$2" || fail "$1's notice lacks '$2'"
}
has sdl2 "This software is provided 'as-is', without any express or implied"
for library in ogg vorbis kissfft; do
  has "$library" "Redistributions in binary form must reproduce the above copyright"
done
has gcc-mingw-w64 "GCC RUNTIME LIBRARY EXCEPTION"
has mingw-w64 "mingw-w64"

[ "$status" = 0 ] && echo "PASS: the zip carries LICENSE.txt, version $version and the notices of:" $needed
exit "$status"
