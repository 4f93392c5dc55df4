#!/usr/bin/python3
# What a screen reader does with the open conversation window, over AT-SPI: types into
# "Message" through the editable-text interface, then sends with the accessible press action of
# "Send" ("press") or with Space on the focused button ("space"), and waits for the line in
# "Conversation history".
#   screen_reader_send.py press|space TEXT
import subprocess
import sys
import time
import warnings

import gi

# The interface getters are deprecated in newer bindings, and still the ones every version has.
warnings.simplefilter("ignore", DeprecationWarning)

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def wait(what, probe, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"FAILED: {what}")


def find(node, wanted):
    if node is None:
        return None
    if wanted(node):
        return node
    for i in range(node.get_child_count()):
        hit = find(node.get_child_at_index(i), wanted)
        if hit is not None:
            return hit
    return None


def conversation():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        for j in range(app.get_child_count() if app else 0):
            window = app.get_child_at_index(j)
            if window and window.get_name().endswith("Conversation"):
                return window
    return None


def named(role, name):
    return lambda n: n.get_role() == role and n.get_name() == name


mode, text = sys.argv[1], sys.argv[2]
window = wait("no conversation window over AT-SPI", conversation)
message = wait("no Message pane", lambda: find(window, named(Atspi.Role.TEXT, "Message")))
send = wait("no Send button", lambda: find(window, named(Atspi.Role.PUSH_BUTTON, "Send")))
history = find(window, named(Atspi.Role.TEXT, "Conversation history"))
if history is None:
    sys.exit("FAILED: no Conversation history pane")

message.get_editable_text_iface().set_text_contents(text)
wait("Send did not become enabled",
     lambda: send.get_state_set().contains(Atspi.StateType.ENABLED))
if mode == "press":
    action = send.get_action_iface()
    names = [action.get_action_name(i).lower() for i in range(action.get_n_actions())]
    if "press" not in names:
        sys.exit(f"FAILED: Send offers no press action, only {names}")
    action.do_action(names.index("press"))
else:
    send.get_component_iface().grab_focus()
    wait("Send did not take the focus",
         lambda: send.get_state_set().contains(Atspi.StateType.FOCUSED))
    subprocess.run(["xdotool", "key", "space"], check=True)


def shown():
    pane = history.get_text_iface()
    return text in pane.get_text(0, pane.get_character_count())


wait(f"'{text}' never reached the history ({mode})", shown)
print(f"sent with {mode}: {text}")
