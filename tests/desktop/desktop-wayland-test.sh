#!/usr/bin/env bash
# The program natively on a Wayland compositor (a headless Weston, through Qt's wayland plugin):
# it shows its window there, answers a station with the time and ends with status 0 on SIGTERM.
# Usage: tests/e2e/private-network desktop-wayland-test.sh QUILLET
set -euo pipefail
readonly kName="Wayland desktop test"
source "$(dirname "$0")/desktop-session.sh"

[ $# -eq 1 ] || fail "usage: tests/e2e/private-network $0 QUILLET"
require_tools weston
quillet=$1

# Qt's Wayland protocol log names the window's title once the compositor holds it.
window_on_compositor() { grep -q 'xdg_toplevel@[0-9]*\.set_title("Brindle Quillet")' "$work/quillet.log"; }

isolate_session
spawn weston weston --backend=headless-backend.so --socket=wayland-quillet --idle-time=0
wait_for "Weston's socket" test -S "$XDG_RUNTIME_DIR/wayland-quillet"
export WAYLAND_DISPLAY=wayland-quillet

WAYLAND_DEBUG=1 start_quillet wayland
wait_for "the window on the compositor" window_on_compositor
wait_for "a station to get the time" station_gets_the_time
stop_quillet
passed
