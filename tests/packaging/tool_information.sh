#!/usr/bin/env bash
# --help and --version on each command-line tool, wherever they stand among
# the options: the usage or "NAME VERSION" on standard output, nothing on
# standard error, exit 0; an output that cannot be written fails; a wrong
# option still fails with the usage on standard error; every option the usage
# names is in the tool's man page, where it has one.
# Usage: tool_information.sh VERSION TOOL[:MAN_PAGE]...
set -u
version=$1
shift
status=0
tmp=$(mktemp -d "${TMPDIR:-/tmp}/vsf-information.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; status=1; }

for entry in "$@"; do
  tool=${entry%%:*} page=
  [ "$tool" = "$entry" ] || page=${entry#*:}
  name=$(basename "$tool")
  usage="usage: $name "
  # Alone, after options that take a value or none, and before a wrong one.
  case "$name" in
  velvetstaticfog-capture) befores=("" "--out x.mkv" "--force --fps 30") ;;
  *) befores=("" "--elapsed 5" "--frame 3 --format ppm") ;;
  esac
  for before in "${befores[@]}"; do
    for option in --help --version; do
      # shellcheck disable=SC2086 # the words of $before are separate arguments
      "$tool" $before "$option" --no-such-option >"$tmp/out" 2>"$tmp/err"
      code=$?
      what="$name $before $option"
      [ "$code" = 0 ] || fail "$what: exit $code"
      [ ! -s "$tmp/err" ] || fail "$what: wrote to standard error: $(cat "$tmp/err")"
      if [ "$option" = --help ]; then
        head -n1 "$tmp/out" | grep -q "^$usage" || fail "$what: no usage: $(cat "$tmp/out")"
      else
        [ "$(cat "$tmp/out")" = "$name $version" ] || fail "$what: says '$(cat "$tmp/out")'"
      fi
    done
  done
  for option in --help --version; do
    "$tool" "$option" >/dev/full 2>/dev/null && fail "$name $option: a full disk was not noticed"
  done
  if [ -n "$page" ]; then
    options=$("$tool" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "$name --help names no option"
    for option in $options; do
      # man(7) writes each - of an option as \-.
      grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" "$page" || fail "$name: $option is not in $page"
    done
  fi
  "$tool" --no-such-option >"$tmp/out" 2>"$tmp/err"
  code=$?
  [ "$code" = 2 ] || fail "$name --no-such-option: exit $code"
  [ ! -s "$tmp/out" ] || fail "$name --no-such-option: wrote to standard output"
  grep -q "$usage" "$tmp/err" || fail "$name --no-such-option: no usage on standard error"
done

[ "$status" = 0 ] && echo "PASS: --help and --version on $# tools, version $version"
exit "$status"
