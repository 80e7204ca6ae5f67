#!/usr/bin/env bash
# Runs page_test.cjs with the npm tools from scripts/web-test-tools.
# Usage: page_test.sh SITE_FOLDER OUTPUT_FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
NODE_PATH="$("$here/../../scripts/web-test-tools")"
export NODE_PATH
exec node "$here/page_test.cjs" "$(cd "${1:?site folder}" && pwd)" "${2:?output folder}"
