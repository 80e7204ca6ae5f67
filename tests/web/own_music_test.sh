#!/usr/bin/env bash
# Runs own_music_test.cjs with the npm tools from scripts/web-test-tools.
# Usage: own_music_test.sh SITE_FOLDER OUTPUT_FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
NODE_PATH="$("$here/../../scripts/web-test-tools")"
export NODE_PATH
exec node "$here/own_music_test.cjs" "$(cd "${1:?site folder}" && pwd)" "${2:?output folder}"
