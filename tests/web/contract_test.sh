#!/usr/bin/env bash
# Runs contract_test.cjs with the npm tools from scripts/web-test-tools.
# Usage: contract_test.sh SUITE_JS INDEX_HTML
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
NODE_PATH="$("$here/../../scripts/web-test-tools")"
export NODE_PATH
exec node "$here/contract_test.cjs" "${1:?suite script}" "${2:?the page}"
