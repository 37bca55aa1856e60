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

# The program's windows docked inside the tray. Every top-level Qt window carries _XEMBED_INFO,
# so an icon is told by where it sits: somewhere below one of trayer's windows.
docked_icons() {
    local trayers candidate ancestor root
    trayers=$(xdotool search --class trayer 2>/dev/null || true)
    root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
    for candidate in $(xdotool search --classname quillet 2>/dev/null || true); do
        ancestor=$(parent_of "$candidate")
        while [ -n "$ancestor" ] && [ "$ancestor" != "$root" ]; do
            if grep -qx "$((ancestor))" <<<"$trayers"; then
                is_viewable "$candidate" && echo "$candidate"
                break
            fi
            ancestor=$(parent_of "$ancestor")
        done
    done
}
icon_count_is() { [ "$(docked_icons | wc -l)" -eq "$1" ]; }
hidden_in_tray() { ! is_viewable "$window" && is_withdrawn "$window" && icon_count_is 1; }
shown_without_icon() { is_viewable "$window" && icon_count_is 0; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; }
shown_in_front_without_icon() { is_viewable "$window" && is_active && icon_count_is 0; }

# The window's geometry as shell variables x, y, width and height.
geometry_of() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { print "x=" $4 }
        /Absolute upper-left Y:/ { print "y=" $4 }
        /Width:/ { print "width=" $2 }
        /Height:/ { print "height=" $2 }'
}

# Clicks the middle of the icon: click_icon ICON BUTTON [REPEAT].
click_icon() {
    local icon=$1 button=$2 repeat=${3:-1} x y width height
    eval "$(geometry_of "$icon")"
    xdotool mousemove $((x + width / 2)) $((y + height / 2)) click --repeat "$repeat" --delay 80 "$button"
}

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

start_tray() {
    spawn trayer trayer --edge top --align right --widthtype request --height 32
    tray_pid=$spawned
    wait_for "trayer's window" any_window_viewable --class trayer
}

isolate_session
start_x_desktop
start_tray
start_quillet xcb

# The window as the user sees it, title bar included: openbox's frame is its parent.
"$grab_window" "$(parent_of "$window")" "$screenshot" || fail "could not save the screenshot"

# Twice, so that minimizing again after coming back shows exactly one icon again.
for round in 1 2; do
    xdotool windowminimize "$window"
    wait_for "the window to hide into the tray (round $round)" hidden_in_tray
    click_icon "$(docked_icons)" 1 2
    wait_for "the window to come back in front without a tray icon (round $round)" shown_in_front_without_icon
done

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
