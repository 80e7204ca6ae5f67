#!/usr/bin/env bash
# The Debian package as it is handed out: lintian finds no error or warning;
# it carries a machine-readable copyright file whose licence is LICENSE's,
# a changelog, and one version (the project's) in its control file, its
# changelog, its metainfo and the programs' --version; and it names no
# address that does not exist.
# Usage: release_package.sh BUILD_DIR SOURCE_DIR VERSION
# Exits 77 (skipped) where lintian is not installed.
set -u
build=$1 source=$2 version=$3
app_id=org.velvetstaticfog.velvetstaticfog
python=/usr/bin/python3 # Debian's, with python3-debian

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v lintian >/dev/null || { echo "SKIP: lintian is not installed"; exit 77; }
"$python" -c 'import debian.copyright' 2>/dev/null ||
  { echo "SKIP: python3-debian is not installed"; exit 77; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vsf-release.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$tmp"/package/velvetstaticfog_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no package made"

# Everything lintian says is shown; pedantic and informational notes are
# allowed, errors and warnings are not.
echo "lintian $(basename "$deb"):"
lintian --info --display-level '>=pedantic' --fail-on error,warning "$deb" | tee "$tmp/lintian.log"
lintian_status=${PIPESTATUS[0]}
[ "$lintian_status" = 0 ] || fail "lintian exited $lintian_status"
! grep -E '^[EW]: ' "$tmp/lintian.log" || fail "lintian reports errors or warnings"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "package version '$(field Version)', project $version"
[ -z "$(field Homepage)" ] || fail "the package names a home page: $(field Homepage)"
# The developers have no shared mail address: the maintainer's is on the
# reserved domain that says so.
field Maintainer | grep -qE '^[^<]+ <[^@>]+@([a-z0-9-]+\.)*invalid>$' ||
  fail "the maintainer's address is not one on the reserved .invalid domain: $(field Maintainer)"

root="$tmp/root"
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
doc="$root/usr/share/doc/velvetstaticfog"

# The copyright file parses as DEP-5; every file of the source is covered by
# a licence whose text is there, and the project's licence is LICENSE's.
"$python" - "$doc/copyright" "$source" <<'EOF' || fail "the copyright file does not hold"
import os, re, sys
from debian import copyright

path, source = sys.argv[1], sys.argv[2]
with open(path, encoding="utf-8") as f:
    parsed = copyright.Copyright(f, strict=True)
texts = {p.license.synopsis: p.license.text for p in parsed.all_license_paragraphs()}
words = lambda text: re.sub(r"\s+", " ", text.replace("\n.\n", "\n")).strip()
with open(os.path.join(source, "LICENSE"), encoding="utf-8") as f:
    licence = f.read()
# LICENSE's permission and warranty paragraphs: from "Permission" on.
expat = words(licence[licence.index("Permission is hereby granted"):])
problems = {}  # one line per problem, whichever files share it
for top, folders, files in os.walk(source):
    folders[:] = [d for d in folders if not d.startswith((".", "build"))]
    for name in files:
        relative = os.path.relpath(os.path.join(top, name), source)
        paragraph = parsed.find_files_paragraph(relative)
        if paragraph is None:
            problems.setdefault(f"{relative}: no Files paragraph", 1)
            continue
        synopsis = paragraph.license.synopsis
        text = paragraph.license.text or texts.get(synopsis, "")
        if not text.strip():
            problems.setdefault(f"Files: {paragraph.files}: licence {synopsis} has no text", 1)
        elif synopsis == "Expat" and words(text) != expat:
            problems.setdefault(f"Files: {paragraph.files}: the Expat text differs from LICENSE", 1)
        if "velvetstaticfog developers" not in paragraph.copyright:
            problems.setdefault(f"{relative}: not ours: {paragraph.copyright}", 1)
print("\n".join(problems), file=sys.stderr)
sys.exit(1 if problems else 0)
EOF

# The changelog's latest entry is this version.
[ -s "$doc/changelog.gz" ] || fail "no changelog.gz"
gzip -dc "$doc/changelog.gz" >"$tmp/changelog"
logged=$(dpkg-parsechangelog -l "$tmp/changelog" -S Version) || fail "the changelog does not parse"
[ "$logged" = "$version" ] || fail "the changelog's latest entry is $logged, the project $version"

# The metainfo's release, and no web address in the metainfo or the desktop
# entry: the show has no site.
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
! grep -n 'https\?://' "$metainfo" "$root/usr/share/applications/$app_id.desktop" ||
  fail "the metainfo or the desktop entry names a web address"
for page in man6/velvetstaticfog.6.gz man1/velvetstaticfog-capture.1.gz; do
  gzip -dc "$root/usr/share/man/$page" | head -n1 | grep -q "\"velvetstaticfog $version\"" ||
    fail "the man page $page is not headed with version $version"
done

# The packaged capture program says its version.
said=$("$root/usr/bin/velvetstaticfog-capture" --version) || fail "--version failed"
[ "$said" = "velvetstaticfog-capture $version" ] || fail "--version says '$said'"

echo "PASS: lintian is clean; copyright, changelog and version $version hold"
