#!/usr/bin/env bash
# The desktop entry, the AppStream metainfo and the man page pass their
# validators, with every warning counted as a failure.
# Usage: validate.sh DESKTOP_FILE METAINFO_FILE MAN_PAGE
set -u
desktop=$1 metainfo=$2 man=$3
status=0

out=$(desktop-file-validate "$desktop" 2>&1) || status=1
[ -z "$out" ] || { echo "desktop-file-validate $desktop:"; echo "$out"; status=1; }

appstreamcli validate --no-net --pedantic "$metainfo" || status=1

out=$(groff -man -ww -z -Tutf8 "$man" 2>&1) || status=1
[ -z "$out" ] || { echo "groff $man:"; echo "$out"; status=1; }
grep -q '^\.TH VELVETSTATICFOG 6 ' "$man" || { echo "$man: not a section 6 page"; status=1; }

[ "$status" = 0 ] && echo "PASS: desktop entry, metainfo and man page are valid"
exit "$status"
