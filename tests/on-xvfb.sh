#!/usr/bin/env bash
# Runs a test program on an X server of its own with no window manager, as a kiosk or a bare
# session has it: nobody but the program gives a new window the keyboard. The server's process
# is XVFB_PID, for a test that takes the display away.
#   on-xvfb.sh PROGRAM [ARGS...]
set -u
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# -displayfd picks a free display and writes its number once the server accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
XVFB_PID=$xvfb DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$@"
