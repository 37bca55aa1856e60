# Shared by the desktop tests: a private session (home, runtime folder, no outside session bus),
# helper processes ended on exit, polling with a deadline, and the program started and stopped.
# Sourced, never run; the test sets kName first.
# Every desktop runs in a network namespace of its own with only loopback up (the program looks
# up its public address at start-up when the machine seems online), so nothing it does can reach
# another machine, and its port 10325 is the namespace's own.

# Generous: under a sanitizer build on a busy two-core machine each step can take many seconds.
readonly kDeadlineSeconds=60

fail() {
    echo "$kName: $*" >&2
    exit 1
}

if ip -o link show | grep -v ': lo:' | grep -q .; then
    fail "refusing to run where the program could reach the network: run me through tests/e2e/private-network"
fi
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (make deps installs it)"
    done
}

started=$SECONDS
work=$(mktemp -d)
pids=()
# A test whose programs outlive their helper processes (Wine's) ends them here.
stop_extras() { :; }
cleanup() {
    local pid
    stop_extras
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts a helper in the background, its output in $work/NAME.log: spawn NAME COMMAND...
# Its process id is left in $spawned.
spawn() {
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    spawned=$!
    pids+=("$spawned")
}

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
any_window_viewable() {
    local found
    for found in $(xdotool search "$@" 2>/dev/null || true); do
        is_viewable "$found" && return 0
    done
    return 1
}

# The trayer tray (XEmbed) at the top right of the screen, as wide as its icons ask unless the
# options say otherwise: start_tray [TRAYER-OPTION...].
start_tray() {
    spawn trayer trayer --edge top --align right --widthtype request --height 32 "$@"
    tray_pid=$spawned
    wait_for "trayer's window" any_window_viewable --class trayer
}

# The X class name of the windows that hold the program's tray icons: the program's own, or
# under Wine that of Wine's shell, explorer.exe, which draws every program's icons.
icon_class=quillet

# The icon windows docked inside the tray. Every top-level Qt window carries _XEMBED_INFO, so an
# icon is told by where it sits: somewhere below one of trayer's windows.
docked_icons() {
    local trayers candidate ancestor root
    trayers=$(xdotool search --class trayer 2>/dev/null || true)
    root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
    for candidate in $(xdotool search --classname "$icon_class" 2>/dev/null || true); do
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

# Minimizing hides the window into the tray, and a double-click on the icon brings it back in
# front; twice, so that minimizing again after coming back shows exactly one icon again.
minimize_and_double_click_back() {
    local round
    for round in 1 2; do
        xdotool windowminimize "$window"
        wait_for "the window to hide into the tray (round $round)" hidden_in_tray
        click_icon "$(docked_icons)" 1 2
        wait_for "the window to come back in front without a tray icon (round $round)" shown_in_front_without_icon
    done
}

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

# Every program here gets a home, configuration and runtime folder of its own and no session
# bus or accessibility bridge, so nothing of the user's session can slow or change it.
isolate_session() {
    mkdir -m 700 "$work/home" "$work/runtime"
    export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
    export XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
    export NO_AT_BRIDGE=1
    unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY GTK_MODULES XDG_CURRENT_DESKTOP
}

# Xvfb with the openbox window manager. openbox announces itself on the root window before it
# manages new windows; a window mapped in between is left unmapped. Its start-up command runs
# once it is ready.
start_x_desktop() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for "Xvfb to start" file_has_content "$work/display"
    export DISPLAY=":$(head -n 1 "$work/display")"
    spawn openbox openbox --sm-disable --startup "touch $work/openbox-ready"
    wait_for "openbox to manage the screen" test -e "$work/openbox-ready"
}

# A session bus of this desktop's own.
start_session_bus() {
    spawn dbus dbus-daemon --session --nofork --address="unix:path=$work/runtime/bus"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/runtime/bus"
    wait_for "the session bus" test -S "$work/runtime/bus"
}

# The program on the given Qt platform; on X11 its main window is left in $window.
start_quillet() {
    local platform=$1
    QT_QPA_PLATFORM=$platform "$quillet" >"$work/quillet.log" 2>&1 &
    quillet_pid=$!
    pids+=("$quillet_pid")
    if [ "$platform" = xcb ]; then
        wait_for "the window \"Brindle Quillet\"" any_window_viewable --name '^Brindle Quillet$'
        window=$(xdotool search --onlyvisible --name '^Brindle Quillet$' | head -n 1)
    fi
}

# One station: connects to the service and reads its reply, 12 digits.
station_gets_the_time() {
    local reply
    reply=$(timeout 10 bash -c 'exec 3<>/dev/tcp/127.0.0.1/10325 && cat <&3' 2>/dev/null) || return 1
    [[ $reply =~ ^[0-9]{12}$ ]] || fail "the station got \"$reply\""
}

# Ended once the process is gone or a zombie waiting for this script to collect it.
program_ended() { [ ! -e "/proc/$quillet_pid" ] || [ "$(awk '{ print $3 }' "/proc/$quillet_pid/stat" 2>/dev/null)" = Z ]; }

# Waits for the program to end by itself and checks that it ended with status 0.
expect_clean_end() {
    wait_for "the program to end" program_ended
    wait "$quillet_pid" || {
        local status=$?
        sed 's|^|  quillet: |' "$work/quillet.log" >&2
        fail "the program ended with status $status"
    }
}

stop_quillet() {
    kill -TERM "$quillet_pid"
    expect_clean_end
}

passed() {
    echo "$kName: passed in $((SECONDS - started)) s${1:+; $1}"
}
