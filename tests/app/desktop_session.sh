# The desktop a desktop test runs on, sourced by it: Xvfb, openbox, a session bus, zep-devserver
# and the messenger logged on as anna@example.com. The caller sets desktop_tools (more commands
# it needs) and zepim_args, and may export variables for the messenger first. Provides $work,
# $home, $port, $zepim_pid, fail, wait_for and activate; everything started ends with the script.
#   source desktop_session.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in Xvfb openbox xdotool xprop dbus-daemon "${desktop_tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d -t zepim-desktop.XXXXXX)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[$i]}" 2>/dev/null || true
        wait "${pids[$i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    trap - ERR
    echo "FAILED: $*" >&2
    tail -n 20 "$work"/*.log >&2 || true
    exit 1
}
trap 'fail "line $LINENO: $BASH_COMMAND"' ERR
wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=("$!")
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=("$!")
# The window manager is ready once its check window carries its name.
wm_ready() {
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK | sed -n 's/.*window id # //p')
    [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME | grep -q Openbox
}
wait_for 10 wm_ready || fail "openbox did not start"

home=$work/home
mkdir -p "$home/config/Corvane" "$home/runtime"
chmod 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
    XDG_STATE_HOME=$home/state XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/runtime LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
dbus-daemon --session --nofork --address="unix:path=$home/runtime/bus" >"$work/dbus.log" 2>&1 &
pids+=("$!")
wait_for 10 test -S "$home/runtime/bus" || fail "no session bus"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$home/runtime/bus

"$build/devserver/zep-devserver" --port 0 --tls-port 0 --webmail-port off >"$work/devserver.log" 2>&1 &
pids+=("$!")
wait_for 10 grep -q '^listening on ' "$work/devserver.log" || fail "no zep-devserver"
port=$(sed -nE '1s/^listening on [^ ]*:([0-9]+) tls.*/\1/p' "$work/devserver.log")

cat >"$home/config/Corvane/ZEP Instant Messenger.conf" <<CONF
[General]
server=127.0.0.1
port=$port
email=anna@example.com
password=anna123
savepassword=1
autologon=1
openmainwnd=1
version=18.1.4389
CONF
"$build/bin/zepim" "${zepim_args[@]}" >"$work/zepim.log" 2>&1 &
zepim_pid=$!
pids+=("$zepim_pid")
wait_for 30 sh -c "'$build/bin/zepim-ctl' state | grep -q LoggedOn=1" || fail "no logon"
# Activates a window and waits until it has the keyboard.
activate() {
    xdotool windowactivate "$1" 2>/dev/null
    [ "$(xdotool getactivewindow)" = "$1" ]
}
