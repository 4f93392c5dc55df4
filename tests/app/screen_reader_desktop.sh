#!/usr/bin/env bash
# A screen reader's user sends a message: over AT-SPI on a real X display, the accessible press
# action of "Send" sends, and so does Space on the focused button. Then the user exits with the
# conversation open.
#   screen_reader_desktop.sh BUILD_DIR
# Exits 77 (skipped) when a tool, the accessibility bus or Python's AT-SPI binding is missing.
desktop_tools=(/usr/libexec/at-spi-bus-launcher)
zepim_args=()
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null ||
    { echo "no AT-SPI binding for Python: skipped"; exit 77; }
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
source "$(dirname "$0")/desktop_session.sh" "$1"
script=$(dirname "$0")/screen_reader_send.py

"$build/bin/zepim-ctl" send-im echo@example.com >/dev/null
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Conversation$' | head -n 1)
wait_for 10 activate "$window" || fail "the conversation could not be activated"
/usr/bin/python3 "$script" press "pressed by a screen reader" >>"$work/atspi.log" 2>&1 ||
    fail "$(tail -n 1 "$work/atspi.log")"
/usr/bin/python3 "$script" space "sent with Space" >>"$work/atspi.log" 2>&1 ||
    fail "$(tail -n 1 "$work/atspi.log")"
# Exit with the conversation still open: it is left first, then the program ends cleanly.
"$build/bin/zepim-ctl" exit >/dev/null
status=0
wait "$zepim_pid" || status=$?
[ "$status" -eq 0 ] || fail "zepim ended with status $status on exit"
echo "the press action and Space on Send both sent, and exit with the conversation open is clean"
