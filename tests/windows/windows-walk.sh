#!/usr/bin/env bash
# What an administrator does with Quillet on Windows, walked under Wine in a fresh prefix on an X
# desktop (Xvfb, openbox, the trayer tray), in a network namespace with loopback alone:
#   install silently: the program, the Start menu entry, the Startup shortcut, the uninstall
#     entry, and the firewall rule asked of netsh;
#   log on: the Startup shortcut starts Quillet, which tells the time; the session's end makes
#     it leave the way Exit does, its last log line naming the event;
#   start the installed Quillet.exe: stations get the local time of the test's zone through
#     127.0.0.1 and 127.0.0.2, and so does a half-closing one; the window "Brindle Quillet" has a
#     fixed border that cannot be sized; minimizing hides it into the tray and a double-click on
#     the icon brings it back; "SOCKET_WINDOW" and the two registered messages are there;
#     Quillet.exe --status answers; the Exit button ends it with status 0;
#   install again over a running Quillet: the installer closes it first, it ends with status 0;
#   uninstall silently while Quillet runs hidden in the tray: the uninstaller closes it, it ends
#     with status 0, and nothing of Quillet is left once Windows restarts.
# Usage: tests/e2e/private-network windows-walk.sh SETUP.exe WindowProbe.exe
set -euo pipefail
readonly kName="windows walk"
source "$(dirname "$0")/../desktop/desktop-session.sh"

[ $# -eq 2 ] || fail "usage: tests/e2e/private-network $0 SETUP.exe WindowProbe.exe"
require_tools Xvfb openbox trayer xdotool xwininfo xprop wine wineboot wineserver nc
setup=$(realpath "$1")
probe=$(realpath "$2")

isolate_session
# A zone other than UTC that Wine maps to a Windows one (Nepal Standard Time); being 5 h 45 min
# from UTC, a reply in another zone cannot pass by chance.
export TZ=Asia/Kathmandu
export WINEPREFIX=$work/prefix
source "$(dirname "$0")/wine-environment.sh"
# Wine's shell draws every program's tray icons.
icon_class=explorer.exe
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Quillet"
program='C:\Program Files\Quillet\Quillet.exe'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'

# Wine's server and every program of this prefix end before the prefix goes.
stop_extras() { wineserver -k 2>/dev/null || true; }

step() { echo "$kName: $((SECONDS - started)) s: $*"; }

# Quillet's shortcuts, and everything of Quillet's or of the uninstaller's anywhere in the prefix.
# Wine's restart takes the uninstaller's folder in the temporary folder off its list before the
# copy inside it, so the folder itself stays, empty.
shortcuts() { find "$drive" -iname 'Quillet.lnk' -printf '%P\n' | sort; }
leftovers() { find "$drive" \( -iname '*quillet*' -o -path '*/~nsu*.tmp/*' -o -iname 'Uninstall.exe' \) -printf '%P\n'; }
has_uninstall_entry() { wine reg query "$uninstall_key" >/dev/null 2>&1; }
uninstalled() { ! has_uninstall_entry && [ ! -e "$folder" ]; }
# Linux processes of this prefix running the installed Quillet.exe.
quillet_processes() {
    local pid
    for pid in $(pgrep -f 'Quillet\.exe' || true); do
        grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
}
no_quillet_runs() { [ -z "$(quillet_processes)" ]; }
log_ends_with() { [ "$(tail -n 1 "$1" | sed 's/^\[[^]]*\] //; s/\r$//')" = "$2" ]; }

# One station at ADDRESS asks for the time; "half-closing" shuts its sending side first, as
# nc -N does. The reply must be 12 digits, this minute's or the next's in the test's zone. A
# refused connection is a failure to try again: the program listens again only at its next tick
# after a reply, and not at all while it starts.
station_gets_local_time() {
    local address=$1 how=${2:-} before reply after
    before=$(date +%Y%m%d%H%M)
    if [ "$how" = half-closing ]; then
        reply=$(timeout 10 nc -N "$address" 10325 </dev/null) || return 1
    else
        reply=$(timeout 10 bash -c 'exec 3<>"/dev/tcp/$0/10325" && cat <&3' "$address" 2>/dev/null) || return 1
    fi
    after=$(date +%Y%m%d%H%M)
    [ -n "$reply" ] || return 1
    [[ $reply == "$before" || $reply == "$after" ]] ||
        fail "a station at $address${how:+ ($how)} got \"$reply\", not $before's local time in $TZ"
}

# The window's size hints as Wine gives them to the window manager: a minimum size equal to the
# maximum, and no resize among the actions openbox allows.
cannot_be_sized() {
    local hints minimum maximum
    hints=$(xprop -id "$window" WM_NORMAL_HINTS)
    minimum=$(sed -n 's/.*minimum size: *//p' <<<"$hints")
    maximum=$(sed -n 's/.*maximum size: *//p' <<<"$hints")
    [ -n "$minimum" ] && [ "$minimum" = "$maximum" ] || fail "the window's size hints allow sizing: $hints"
    ! xprop -id "$window" _NET_WM_ALLOWED_ACTIONS | grep -q _NET_WM_ACTION_RESIZE ||
        fail "openbox lets the window be resized: $(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)"
}

# The installed program, its log in $work/quillet.log and its main window in $window.
start_installed_quillet() {
    spawn quillet wine "$program"
    quillet_pid=$spawned
    wait_for "the window \"Brindle Quillet\"" any_window_viewable --name '^Brindle Quillet$'
    window=$(xdotool search --onlyvisible --name '^Brindle Quillet$' | head -n 1)
}

# The session's end as Windows announces it, to each of the program's top-level windows.
end_session() {
    wine "$probe" end-session >"$work/probe.log" 2>&1 || fail "the session's end was not sent: $(cat "$work/probe.log")"
}

start_x_desktop
# A tray of a fixed width: Wine keeps the place of the tray's own window as it was when an icon
# first docked, and sends a click to whatever is there in its own reckoning, so a tray that
# grows with its icons would move them out from under their clicks.
start_tray --widthtype pixel --width 64

step "booting a fresh Wine prefix"
mkdir -p "$WINEPREFIX"
# One server for the whole walk, so that each Wine program starts without booting one; it stays
# 30 s after the last program, should the walk itself be killed.
wineserver -p30
wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot -i failed"

step "installing silently"
# Wine's netsh is a stub: it keeps no rule, answers 0 to everything and can show nothing, but
# with its fixme channel on it prints the command line it was given.
WINEDEBUG=-all,fixme+netsh timeout 120 wine "$setup" /S >"$work/setup.log" 2>&1 || fail "the installer failed"
[ -f "$folder/Quillet.exe" ] && [ -f "$folder/Uninstall.exe" ] || fail "the program folder is not complete"
[ "$(shortcuts)" = "$(printf '%s\n' 'ProgramData/Microsoft/Windows/Start Menu/Programs/Quillet.lnk' \
    "users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp/Quillet.lnk")" ] ||
    fail "the shortcuts are not the Start menu entry and the Startup one: $(shortcuts)"
wine reg query "$uninstall_key" /v DisplayVersion 2>&1 | grep -q 'REG_SZ *1\.0\.0' ||
    fail "no uninstall entry with the version"
grep -qF 'L"add" L"rule" L"name=Quillet" L"dir=in" L"action=allow" L"protocol=TCP" L"localport=10325" L"profile=private" L"program=C:\\Program Files\\Quillet\\Quillet.exe"' \
    "$work/setup.log" || fail "the installer did not ask netsh for the firewall rule: $(cat "$work/setup.log")"

step "logging on: the Startup shortcut starts Quillet; logging off"
# Plain wineboot does what a logon does: it opens the shortcuts of the Startup folder.
wineboot >"$work/logon.log" 2>&1
wait_for "the time from the Quillet started at logon" station_gets_local_time 127.0.0.1
wait_for "the window of the Quillet started at logon" any_window_viewable --name '^Brindle Quillet$'
end_session
wait_for "the Quillet started at logon to leave at the session's end" no_quillet_runs

step "starting the installed Quillet.exe"
start_installed_quillet
wait_for "the time through 127.0.0.1" station_gets_local_time 127.0.0.1
wait_for "the time through 127.0.0.2" station_gets_local_time 127.0.0.2
wait_for "the time for a half-closing station" station_gets_local_time 127.0.0.1 half-closing

step "the window's border, the tray, the hidden window and the messages"
cannot_be_sized
wine "$probe" border >"$work/probe.log" 2>&1 || fail "$(cat "$work/probe.log")"
minimize_and_double_click_back
# Polled: a probe that Wine starts while the machine is loaded was once seen not to find the window.
probe_names() { wine "$probe" names >"$work/probe-names.log" 2>&1; }
wait_for "SOCKET_WINDOW and the two messages (probe-names.log below)" probe_names

step "Quillet.exe --status"
status=$(timeout 60 wine "$program" --status 2>&1) || fail "--status failed: $status"
grep -q "Requests: *3" <<<"$status" || fail "--status does not count the 3 requests: $status"

step "Exit"
xdotool windowactivate --sync "$window"
xdotool key --clearmodifiers alt+x
expect_clean_end

step "the session's end runs the exit steps"
start_installed_quillet
end_session
expect_clean_end
log_ends_with "$work/quillet.log" "Leaving on WM_ENDSESSION" ||
    fail "the last log line does not name the session's end: $(tail -n 3 "$work/quillet.log")"

step "installing again over the running Quillet"
start_installed_quillet
WINEDEBUG=-all,fixme+netsh timeout 120 wine "$setup" /S >"$work/setup-again.log" 2>&1 ||
    fail "the installer failed over a running Quillet: $(cat "$work/setup-again.log")"
expect_clean_end
[ -f "$folder/Quillet.exe" ] && [ -f "$folder/Uninstall.exe" ] || fail "the program folder is not complete"

step "uninstalling silently while Quillet runs hidden in the tray"
start_installed_quillet
xdotool windowminimize "$window"
wait_for "the window to hide into the tray" hidden_in_tray
WINEDEBUG=-all,fixme+netsh timeout 120 wine "$folder/Uninstall.exe" /S >"$work/uninstall.log" 2>&1 ||
    fail "the uninstaller failed"
expect_clean_end
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_for "the uninstaller to remove the folder and its entry" uninstalled
[ -z "$(shortcuts)" ] || fail "shortcuts left: $(shortcuts)"
grep -qF 'L"delete" L"rule" L"name=Quillet" L"dir=in"' "$work/uninstall.log" ||
    fail "the uninstaller did not ask netsh to delete the firewall rule: $(cat "$work/uninstall.log")"
# That copy is deleted when Windows next starts.
wineboot -r >>"$work/wineboot.log" 2>&1 || fail "wineboot -r failed"
[ -z "$(leftovers)" ] || fail "left after the uninstaller and a restart: $(leftovers)"

passed
