#!/usr/bin/env bash
# tools/dev run and tools/dev test in both orders, each from a fresh clone of this repository's
# HEAD: the tests are built and run whatever ran before, and without a display `run` says so in
# one line and fails instead of crashing. The second order reuses the first one's compiler cache.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DIR="$work/ccache"
unset CI DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
git clone -q "$repo" "$work/clone"
cd "$work/clone"

fail() { echo "dev-orders: $*" >&2; exit 1; }
check_run() {
    local status=0
    timeout 1200 tools/dev run >"$work/run.out" 2>&1 || status=$?
    [ "$status" -eq 1 ] || fail "tools/dev run without a display ended with status $status"
    tail -n 1 "$work/run.out" | grep -q '^tools/dev run: no display' || fail "no one-line reason: $(tail -n 3 "$work/run.out")"
}
check_test() {
    timeout 2400 tools/dev test >"$work/test.out" 2>&1 || fail "tools/dev test failed: $(tail -n 5 "$work/test.out")"
    tail -n 1 "$work/test.out" | grep -Eq '^tests: [1-9][0-9]* passed, 0 failed$' || fail "$(tail -n 1 "$work/test.out")"
}

check_run
check_test
git clean -xdfq # fresh again
check_test
check_run
echo "dev-orders: run then test, test then run: both fine"
