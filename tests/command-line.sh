#!/usr/bin/env bash
# The three programs answer --help and --version with no display at all (over ssh, on a console),
# each in one language, and exit 0.
# usage: command-line.sh BUILD_DIR
set -uo pipefail
build=$1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failed=0
for program in pikomoji pikomoji-check pikomoji-lesson; do
    for option in --help --version; do
        out=$(timeout 60 "$build/$program" "$option" 2>/dev/null)
        status=$?
        if [ "$status" -ne 0 ] || [ -z "$out" ]; then
            echo "FAIL: $program $option: status $status, output '$out'" >&2
            failed=1
        fi
    done
    version=$(timeout 60 "$build/$program" --version 2>/dev/null)
    [[ $version =~ ^$program\ [0-9] ]] || { echo "FAIL: $program --version says '$version'" >&2; failed=1; }
    # The help is Japanese throughout: no English heading of Qt's beside it.
    help=$(timeout 60 "$build/$program" --help 2>/dev/null)
    if grep -Eiq 'usage|options:|arguments:|displays' <<<"$help" || ! grep -q '使いかた' <<<"$help"; then
        echo "FAIL: $program --help is not in one language:" >&2
        echo "$help" >&2
        failed=1
    fi
done
exit $failed
