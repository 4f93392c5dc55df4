#!/usr/bin/env bash
# On a real X server with a real window manager (Xvfb and openbox): a conversation someone else
# opens comes up minimised and leaves the keyboard where it was, the first one and every later
# one, also after the user has restored and closed one (which stores a window placement).
#   incoming_focus_desktop.sh BUILD_DIR
# Exits 77 (skipped) when Xvfb, openbox, xdotool or xprop is missing.
desktop_tools=()
zepim_args=()
source "$(dirname "$0")/desktop_session.sh" "$1"
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^ZEP Instant Messenger$' | head -n 1)
# The user is at the main window: it has the keyboard.
wait_for 10 activate "$main" || fail "the main window could not be activated"

from_ben() {
    ZEPIM_PASSWORD=ben123 "$build/bin/zepim-cli" --server 127.0.0.1 --port "$port" \
        --email ben@example.com send-im anna@example.com "$1" >/dev/null
}
# Waits for the n-th conversation window, then checks it is iconic and the main window active.
check_incoming() {
    local n=$1 ids
    wait_for 10 sh -c "[ \$(xdotool search --name Conversation | wc -l) -ge $n ]" ||
        fail "conversation $n did not come"
    sleep 1
    for id in $(xdotool search --name Conversation); do
        xprop -id "$id" WM_STATE | grep -q 'window state: Iconic' ||
            fail "conversation $n came up $(xprop -id "$id" WM_STATE | sed -n 's/.*state: //p')"
    done
    [ "$(xdotool getactivewindow)" = "$main" ] || fail "conversation $n took the keyboard"
}

from_ben "first"
check_incoming 1
# The user restores the first one and closes it: its placement is stored.
first=$(xdotool search --name Conversation | head -n 1)
wait_for 10 activate "$first" || fail "the first conversation could not be restored"
xdotool key Escape
wait_for 10 sh -c "! xdotool search --name Conversation" || fail "the first did not close"
wait_for 10 activate "$main" || fail "the main window could not be activated again"
from_ben "second"
check_incoming 1
from_ben "third"
check_incoming 2
echo "every incoming conversation came up minimised without the keyboard"
