#!/usr/bin/env bash
# The false-failure rate of timing tests: each named ctest test run RUNS
# times in a row on a correct build beside a busy loop (one core kept busy,
# as a shared machine has it; BUSY=0 leaves it out, for the tests that bring
# their own load), and its failures and skips counted. Run by hand:
#   [BUSY=0] bench/false_failures.sh BUILD_DIR RUNS TEST...
# TEST is a ctest name (e2e.show_sound_sync_default, web.viewer_sync_44100).
build=${1:?build folder}
runs=${2:?runs}
shift 2
[ $# -gt 0 ] || { echo "usage: $0 BUILD_DIR RUNS TEST..." >&2; exit 2; }
busy=""
if [ "${BUSY:-1}" != 0 ]; then
  yes >/dev/null &
  busy=$!
  trap 'kill "$busy" 2>/dev/null' EXIT
fi
status=0
for test in "$@"; do
  failures=0
  skips=0
  for ((run = 1; run <= runs; run++)); do
    log=$(cd "$build" && ctest -V -R "^${test//./\\.}\$" 2>&1)
    if grep -q 'Skipped' <<<"$log"; then
      skips=$((skips + 1))
      grep -o 'SKIP: .*' <<<"$log" | head -n 1 | sed "s/^/$test run $run: /"
      continue
    fi
    if ! grep -q '100% tests passed' <<<"$log"; then
      failures=$((failures + 1))
      echo "$test run $run failed:" >&2
      grep -E 'e2e:|FAIL|Failed|outside' <<<"$log" | tail -n 5 >&2
    fi
    grep -o 'PASS: .*' <<<"$log" | head -n 1 | sed "s/^/$test run $run: /"
  done
  echo "$test: $failures of $runs runs failed, $skips skipped${busy:+, beside a busy loop}"
  [ "$failures" -eq 0 ] || status=1
done
exit "$status"
