#!/usr/bin/env bash
# The program on an X desktop whose tray is a StatusNotifierItem host on the session bus
# (status-notifier-watcher and gtk-sni-tray-standalone; KDE, GNOME's AppIndicator extension,
# XFCE and LXQt host tray icons the same way): minimizing shows the icon in the host's bar, also
# when the watcher answers the program's question late, and stations are served while the
# question is open; a left click on the icon brings the window back and removes the icon; when the host goes away while
# the window is hidden, the window comes back; a host started after that is used at the next
# minimize, and the menu it draws for the icon leaves the program with "E&xit", status 0.
# With "late", the watcher and host first start 2 s after the program, as a panel may at login.
# Usage: tests/e2e/private-network desktop-sni-test.sh QUILLET GRAB-WINDOW [late]
set -euo pipefail
readonly kName="SNI desktop test"
source "$(dirname "$0")/desktop-session.sh"

[ $# -ge 2 ] || fail "usage: tests/e2e/private-network $0 QUILLET GRAB-WINDOW [late]"
require_tools Xvfb openbox dbus-daemon dbus-monitor gdbus status-notifier-watcher gtk-sni-tray-standalone xdotool xwininfo \
    xprop
quillet=$1
grab_window=$2
late=${3:-}

watcher_property() {
    gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1" 2>/dev/null
}
host_registered() { watcher_property IsStatusNotifierHostRegistered | grep -q true; }
item_registered() { watcher_property RegisteredStatusNotifierItems | grep -q "'"; }

# The host's bar along the bottom edge: its window id, and a picture of it without our icon.
host_bar() {
    local candidate
    for candidate in $(xdotool search --onlyvisible --class gtk-sni-tray-standalone 2>/dev/null || true); do
        echo "$(xwininfo -id "$candidate" 2>/dev/null | awk '/Width:/ { print $2 }') $candidate"
    done | sort -n | awk 'END { print $2 }' # the widest
}
host_bar_shown() { [ -n "$(host_bar)" ]; }
bar_picture_is() { "$grab_window" "$bar" "$work/bar.png" && cmp -s "$work/bar.png" "$1"; }
bar_shows_icon() { "$grab_window" "$bar" "$work/bar.png" && ! cmp -s "$work/bar.png" "$work/empty-bar.png"; }

watcher_on_bus() { gdbus introspect --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher >/dev/null 2>&1; }
# The watcher runs apart from the host, as a desktop's usually does (the host's own --watcher
# races with itself at start-up).
start_watcher() {
    spawn watcher status-notifier-watcher
    watcher_pid=$spawned
    wait_for "the StatusNotifierWatcher on the session bus" watcher_on_bus
}

start_host() {
    spawn host gtk-sni-tray-standalone --bottom
    host_pid=$spawned
    wait_for "the tray host on the session bus" host_registered
    wait_for "the host's bar" host_bar_shown
    bar=$(host_bar)
    "$grab_window" "$bar" "$work/empty-bar.png" || fail "could not picture the host's bar"
}

# Clicks the bar's first icon, a square at its left end: click_icon BUTTON.
click_icon() {
    local x y width height
    eval "$(xwininfo -id "$bar" | awk '
        /Absolute upper-left X:/ { print "x=" $4 }
        /Absolute upper-left Y:/ { print "y=" $4 }
        /Width:/ { print "width=" $2 }
        /Height:/ { print "height=" $2 }')"
    xdotool mousemove $((x + height / 2)) $((y + height / 2)) click "$1"
}

hidden_with_icon() { ! is_viewable "$window" && is_withdrawn "$window" && item_registered && bar_shows_icon; }
shown_without_icon() { is_viewable "$window" && ! item_registered && bar_picture_is "$work/empty-bar.png"; }
# The host draws the icon's menu in a popup window of its own.
host_menu_shown() {
    local candidate
    for candidate in $(xdotool search --onlyvisible --class gtk-sni-tray-standalone 2>/dev/null || true); do
        xwininfo -id "$candidate" | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}

# The watcher's questions on the bus; the monitor is ready once it has left its own name.
watch_questions() {
    spawn questions dbus-monitor --session "type='method_call',path='/StatusNotifierWatcher',member='Get'"
    wait_for "the bus monitor" grep -q 'member=NameLost' "$work/questions.log"
}
asked_watcher() { grep -q 'member=Get' "$work/questions.log"; }

isolate_session
start_x_desktop
start_session_bus
if [ "$late" = late ]; then
    start_quillet xcb
    sleep 2 # the tray starts this long after the program, as the case to test asks
    start_watcher
    start_host
else
    start_watcher
    start_host
    start_quillet xcb
fi

# The minimize asks the watcher whether a host is there. With the watcher stopped, the question
# stays open and a station is still served; once the watcher runs again, its answer hides the
# window into the tray.
watch_questions
kill -STOP "$watcher_pid"
xdotool windowminimize "$window"
wait_for "the program's question to the watcher" asked_watcher
wait_for "a station to get the time while the question is open" station_gets_the_time
kill -CONT "$watcher_pid"
wait_for "the window to hide and the icon to show in the host's bar" hidden_with_icon

# A left click on the icon brings the window back and removes the icon.
click_icon 1
wait_for "the window to come back without the icon" shown_without_icon

# The host goes away while the window is hidden: the window comes back.
xdotool windowminimize "$window"
wait_for "the window to hide into the tray again" hidden_with_icon
kill "$host_pid"
wait_for "the window to come back once the host is gone" is_viewable "$window"

# A host that starts now is used at the next minimize; its menu's "E&xit" leaves the program.
start_host
xdotool windowminimize "$window"
wait_for "the window to hide into the new host's bar" hidden_with_icon
click_icon 3
wait_for "the host's menu for the icon" host_menu_shown
xdotool key x
expect_clean_end
passed "${late:+host started late}"
