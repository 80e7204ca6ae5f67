#!/usr/bin/env bash
# Runs a command on a private Xvfb display, removed afterwards:
#   on_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
dir=$(mktemp -d "${TMPDIR:-/tmp}/vsf-xvfb.XXXXXX")
Xvfb -displayfd 9 -screen 0 640x480x24 -nolisten tcp -noreset 9>"$dir/display" \
  >"$dir/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
  grep -q '^[0-9]' "$dir/display" 2>/dev/null && break
  sleep 0.1
done
grep -q '^[0-9]' "$dir/display" || { cat "$dir/xvfb.log" >&2; echo "on_xvfb: no Xvfb" >&2; exit 1; }
DISPLAY=":$(head -n 1 "$dir/display")" "$@"
