#!/usr/bin/env bash
# ぴこもじ on an X server of its own, which then goes away as at a logout or a lost connection: the
# program must end with exit status 1, not die of a signal. Every wait is a hang guard only.
#   on-xvfb.sh display-loss.sh PROGRAM
set -u
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$program" 2>"$work/program.log" &
pid=$!
# Its menu is up once a window of class pikomoji is there.
for _ in $(seq 600); do
    xwininfo -root -tree 2>/dev/null | grep -q '"pikomoji"' && break
    sleep 0.1
done
xwininfo -root -tree 2>/dev/null | grep -q '"pikomoji"' || { echo "no window"; exit 1; }

kill "$XVFB_PID"
for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    echo "the program was still running 60 s after its display went away"
    kill -9 "$pid"
    exit 1
fi
wait "$pid"
status=$?
cat "$work/program.log"
if [ "$status" -ne 1 ]; then
    echo "exit status $status, not 1 (above 128: killed by signal $((status - 128)))"
    exit 1
fi
echo "ended with exit status 1"
