#!/usr/bin/env bash
# The program on a real X desktop (Xvfb, the openbox window manager, the trayer tray):
# minimizing hides the window and shows one tray icon; a double-click on the icon brings the
# window back in front and removes the icon, and so does Show on the icon's right-click menu.
# Saves a screenshot of the window on the way.
# Usage: tests/e2e/private-network desktop-tray-test.sh QUILLET GRAB-WINDOW SCREENSHOT.png
#
# The program looks up its public address at start-up when the machine seems online, so the
# whole desktop must run in a network namespace of its own with only loopback up: nothing it
# does can reach another machine, and its port 10325 is the namespace's own.
set -euo pipefail

# Generous: under a sanitizer build on a busy two-core machine each step can take many seconds.
readonly kDeadlineSeconds=60

fail() {
    echo "desktop test: $*" >&2
    exit 1
}

[ $# -eq 3 ] || fail "usage: tests/e2e/private-network $0 QUILLET GRAB-WINDOW SCREENSHOT.png"
if ip -o link show | grep -v ': lo:' | grep -q .; then
    fail "refusing to run where the program could reach the network: run me through tests/e2e/private-network"
fi
for tool in Xvfb openbox trayer xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || fail "$tool is missing (make deps installs it)"
done

quillet=$1
grab_window=$2
screenshot=$3
started=$SECONDS

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Polls until the command succeeds; fails with the description at the deadline.
wait_for() {
    local description=$1
    shift
    local deadline=$((SECONDS + kDeadlineSeconds))
    until "$@"; do
        if [ $SECONDS -ge $deadline ]; then
            describe_desktop
            fail "timed out waiting for $description"
        fi
        sleep 0.1
    done
}

# What a timed-out step leaves to look at: every log, the helper processes and the windows.
describe_desktop() {
    local log
    for log in "$work"/*.log; do
        sed "s|^|  $(basename "$log" .log): |" "$log" >&2
    done
    ps -o pid,stat,wchan:24,etime,args -p "$(IFS=,; echo "${pids[*]}")" 2>/dev/null | sed 's|^|  ps: |' >&2 || true
    [ -n "${DISPLAY:-}" ] && xwininfo -root -tree 2>/dev/null | head -n 60 | sed 's|^|  windows: |' >&2 || true
}

file_has_content() { [ -s "$1" ]; }
is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
is_withdrawn() { ! xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state'; }
parent_of() { xwininfo -id "$1" -tree | awk '/Parent window id:/ { print $4 }'; }

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

any_window_viewable() {
    local found
    for found in $(xdotool search "$@" 2>/dev/null || true); do
        is_viewable "$found" && return 0
    done
    return 1
}

# Every program on this desktop gets a home, configuration and runtime folder of its own and no
# session bus or accessibility bridge, so nothing of the user's session can slow or change it.
isolate_session() {
    mkdir -m 700 "$work/home" "$work/runtime"
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
    export XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
    export NO_AT_BRIDGE=1
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY GTK_MODULES
}

start_desktop() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for "Xvfb to start" file_has_content "$work/display"
    export DISPLAY=":$(head -n 1 "$work/display")"

    # openbox announces itself on the root window before it manages new windows; a tray started
    # in between is left unmapped. Its start-up command runs once it is ready.
    openbox --sm-disable --startup "touch $work/openbox-ready" >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_for "openbox to manage the screen" test -e "$work/openbox-ready"

    trayer --edge top --align right --widthtype request --height 32 >"$work/trayer.log" 2>&1 &
    pids+=($!)
    wait_for "trayer's window" any_window_viewable --class trayer
}
start_quillet() {
    QT_QPA_PLATFORM=xcb "$quillet" >"$work/quillet.log" 2>&1 &
    quillet_pid=$!
    pids+=("$quillet_pid")
    wait_for "the window \"Brindle Quillet\"" any_window_viewable --name '^Brindle Quillet$'
    window=$(xdotool search --onlyvisible --name '^Brindle Quillet$' | head -n 1)
}

stop_quillet() {
    kill -TERM "$quillet_pid"
    wait_for "the program to end" program_ended
    wait "$quillet_pid" || {
        local status=$?
        sed 's|^|  quillet: |' "$work/quillet.log" >&2
        fail "the program ended with status $status"
    }
}
# Ended once the process is gone or a zombie waiting for this script to collect it.
program_ended() { [ ! -e "/proc/$quillet_pid" ] || [ "$(awk '{ print $3 }' "/proc/$quillet_pid/stat")" = Z ]; }

isolate_session
start_desktop
start_quillet

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

stop_quillet
echo "desktop test: passed in $((SECONDS - started)) s; screenshot in $screenshot"
