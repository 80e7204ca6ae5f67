#!/usr/bin/env bash
# Another build's frame tool (Windows under Wine, WebAssembly under node)
# writes byte for byte the frames the Linux one does, for first and late
# frames, wrapped and sign-flipped times, and factors huge, tiny, negative,
# infinite and NaN, given or from a spectrum file: the effect's arithmetic
# must not depend on the compiler, the C runtime or the machine.
# Usage: frame_tool_match.sh NAME LINUX_TOOL COMMAND...  (COMMAND runs the other tool)
set -euo pipefail
name=${1:?name of the other build}
linuxTool=${2:?Linux frame tool}
shift 2
otherTool=("$@")
[ "${#otherTool[@]}" -gt 0 ] || { echo "usage: $0 NAME LINUX_TOOL COMMAND..." >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vsf-frames.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# 512 floats with every byte value in every position: NaNs, infinities,
# denormals and huge numbers among them, the same on every run.
LC_ALL=C awk 'BEGIN { for (i = 0; i < 2048; i++) printf "%c", (i * 167 + i / 4 + 5) % 256 }' \
  >spectrum.bin

cases=(
  "--frame 1 --elapsed 0 --factors 1 1 1"
  "--frame 2 --elapsed 31000 --factors 0.5 -0.25 2"
  "--frame 9 --elapsed 573001 --factors 3e38 -3e38 1e-45"
  "--frame 77 --elapsed 1073741824 --factors nan -nan inf"
  "--frame 4096 --elapsed 2147483647 --factors -inf 1e30 -0"
  "--frame 123457 --elapsed 4294967295 --factors -1e9 1e9 123.456"
  "--frame 18446744073709551615 --elapsed 2147484 --factors 0.001 -7 65536.5"
  "--frame 5 --elapsed 1234567 --spectrum spectrum.bin"
)
failed=0
for arguments in "${cases[@]}"; do
  # shellcheck disable=SC2086 # the arguments are words
  "$linuxTool" $arguments --out linux.raw
  # shellcheck disable=SC2086
  "${otherTool[@]}" $arguments --out other.raw
  if cmp -s linux.raw other.raw && [ -s linux.raw ]; then
    echo "same: $arguments"
  else
    echo "DIFFERENT: $arguments ($(cmp linux.raw other.raw 2>&1 | head -n 1))"
    failed=1
  fi
  rm -f linux.raw other.raw
done
[ "$failed" = 0 ] && echo "PASS: ${#cases[@]} frames the same on $name and Linux"
exit "$failed"
