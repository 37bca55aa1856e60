#!/usr/bin/env bash
# The program on a real X desktop (Xvfb, the openbox window manager, the trayer tray):
# minimizing hides the window and shows one tray icon; a double-click on the icon brings the
# window back in front and removes the icon, and so does Show on the icon's right-click menu;
# when the tray goes away while the window is hidden, the window comes back.
# Saves a screenshot of the window on the way.
# Usage: tests/e2e/private-network desktop-tray-test.sh QUILLET GRAB-WINDOW SCREENSHOT.png
set -euo pipefail
readonly kName="desktop test"
source "$(dirname "$0")/desktop-session.sh"

[ $# -eq 3 ] || fail "usage: tests/e2e/private-network $0 QUILLET GRAB-WINDOW SCREENSHOT.png"
require_tools Xvfb openbox trayer xdotool xwininfo xprop
quillet=$1
grab_window=$2
screenshot=$3

# The tray menu: a shown popup (override-redirect) window of the program whose top edge is at
# the mouse and which spans the mouse's x (Qt moves it left to keep it on the screen).
popup_menu_at_mouse() {
    local candidate X Y SCREEN WINDOW x y width height
    eval "$(xdotool getmouselocation --shell)"
    for candidate in $(xdotool search --onlyvisible --classname quillet 2>/dev/null || true); do
        xwininfo -id "$candidate" | grep -q 'Override Redirect State: yes' || continue
        eval "$(geometry_of "$candidate")"
        [ "$y" -eq "$Y" ] && [ "$x" -le "$X" ] && [ "$X" -lt $((x + width)) ] && return 0
    done
    return 1
}

isolate_session
start_x_desktop
start_tray
start_quillet xcb

# The window as the user sees it, title bar included: openbox's frame is its parent.
"$grab_window" "$(parent_of "$window")" "$screenshot" || fail "could not save the screenshot"

minimize_and_double_click_back

# The right button pops up the tray menu; its "&Show" brings the window back.
xdotool windowminimize "$window"
wait_for "the window to hide into the tray (menu round)" hidden_in_tray
click_icon "$(docked_icons)" 3
wait_for "the tray menu at the mouse" popup_menu_at_mouse
xdotool key s
wait_for "the window to come back without a tray icon (menu round)" shown_without_icon

# A tray that goes away while the window is hidden gives the window back.
xdotool windowminimize "$window"
wait_for "the window to hide into the tray (last round)" hidden_in_tray
kill "$tray_pid"
wait_for "the window to come back once the tray is gone" is_viewable "$window"

stop_quillet
passed "screenshot in $screenshot"
