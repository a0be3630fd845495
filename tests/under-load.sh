#!/usr/bin/env bash
# The whole test suite as a parent runs it beside other work: niced, on a machine that busy
# loops of our own keep busy, three per core. Timing in a test is only ever a hang guard, so the
# suite must pass like this too.
#   tests/under-load.sh [BUILD_DIR [CTEST ARGUMENTS...]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

loops=()
stop_loops() {
    local pid
    for pid in "${loops[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait "${loops[@]}" 2>/dev/null || true
}
trap stop_loops EXIT INT TERM

# The loops run at the suite's own priority: work as important as the tests, which share the
# processor with it rather than wait for it to finish.
for ((i = 0; i < 3 * $(nproc); i++)); do
    nice -n 10 bash -c 'while :; do :; done' &
    loops+=($!)
done
nice -n 10 ctest --test-dir "$build" --output-on-failure -j2 "$@"
