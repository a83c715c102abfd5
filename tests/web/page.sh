#!/usr/bin/env bash
# page.sh SITE DRAVIK DRAVIK_SIM RUN [TESTS]: the page's tests in Debian's
# Chromium, driven by the playwright-core that package-lock.json pins (make
# web installs it). TESTS: the file of tests, page.test.mjs by default.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$1/index.html" ] || [ ! -d "$here/node_modules/playwright-core" ]; then
    if [ "${DRAVIK_REQUIRE_ALL_BUILDS:-0}" = 1 ]; then
        echo "missing: $1 or $here/node_modules (make web builds and installs them)" >&2
        exit 1
    fi
    echo "skipping: the browser build is not there (make web)"
    exit 77
fi
cd "$here"
DRAVIK_SITE=$1 DRAVIK=$2 DRAVIK_SIM=$3 DRAVIK_RUN=$4 exec node --test --test-reporter=spec "${5:-page.test.mjs}"
