#!/usr/bin/python3
# The window as a screen reader meets it, under dbus-run-session on an AT-SPI bus and an X server
# of its own with a small window manager, the program on the simulated chip with --lock: GOLDEN's
# "> key" rows pressed in turn, and what was heard after each against its other rows. With
# --orca, what Orca says; else the tree first, then the bridge's news.
# Usage: dbus-run-session -- screen_reader_test.py PROGRAM GOLDEN [--orca]
import atexit, difflib, os, re, shutil, signal, subprocess, sys, tempfile, time

program, golden, orca = sys.argv[1], sys.argv[2], "--orca" in sys.argv
rows = [l for l in open(golden).read().splitlines() if l and not l.startswith("# ")]
home = tempfile.mkdtemp(prefix="a11y-")
os.environ.update(HOME=home, XDG_RUNTIME_DIR=home, XDG_STATE_HOME=home, GTK_MODULES="",
                  QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
os.setsid()  # what this run starts, the buses' daemons too, ends with it
atexit.register(lambda: (signal.signal(signal.SIGTERM, signal.SIG_IGN), os.killpg(0, 15),
                          time.sleep(0.5), shutil.rmtree(home, True)))


def wait_for(what, condition):
    for _ in range(300):
        if (found := condition()):
            return found
        time.sleep(0.1)
    sys.exit(f"FAIL no {what} within 30 s")


start = lambda *command, **options: subprocess.Popen(
    command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options)
start("/usr/libexec/at-spi-bus-launcher", "--launch-immediately")
read, write = os.pipe()
start("Xvfb", "-displayfd", str(write), "-nolisten", "tcp", pass_fds=[write])
os.environ["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
start("matchbox-window-manager", "-use_titlebar", "no")  # Orca follows the active window
plain = lambda text: re.sub(r"\d+(\.\d+)? ms", "T ms", text)  # lock times vary
lines = []
if orca:
    # Speech goes to the debug file alone, each line as it is said: no speech server is started.
    open(home + "/orca-customizations.py", "w").write(
        "import orca.debug, orca.settings as s\norca.debug.debugFile.reconfigure(line_buffering="
        "True)\ns.speechServerFactory, s.enableKeyEcho = '', False\n")
    start("orca", "-u", home, "--debug-file", home + "/orca.log")
    said = lambda: re.findall(r"SPEECH OUTPUT: '(.*)'\{", open(home + "/orca.log").read())
    wait_for("Orca", lambda: os.path.exists(home + "/orca.log") and said())
else:
    import pyatspi
    from gi.repository import GLib
start(program, "--simulate", "--lock", "--resume", "no")
app = wait_for("window", lambda: len(said()) > 1 if orca else next((a for a in pyatspi.Registry.
               getDesktop(0) if a and a.name == os.path.basename(program) and a.childCount), 0))


# role | name | description | value / text | the states that tell a control from a caption
def told(node):
    value = [str(int(node.queryValue().currentValue))] if "Value" in node.get_interfaces() else []
    value += [node.queryText().getText(0, -1)] if "Text" in node.get_interfaces() else []
    states = [pyatspi.stateToString(s) for s in (pyatspi.STATE_FOCUSABLE, pyatspi.STATE_EDITABLE)
              if node.getState().contains(s)]
    return plain(" | ".join([node.getRoleName(), node.name, node.description,
                             " / ".join(value) or "-", " ".join(states) or "-"]))


def walk(node, depth):
    lines.append("  " * depth + told(node))
    for child in node if node.getRole() != pyatspi.ROLE_LIST else []:
        walk(child, depth + 1)


# What is heard until a second passes with nothing new, five at most.
def settle():
    counts = []
    while len(counts) < 100 and counts[-20:].count(len(lines)) < 20:
        time.sleep(0.05)
        while not orca and GLib.MainContext.default().iteration(False):
            pass
        if orca:
            lines.extend(plain(s) for s in said()[len(lines) - sum(l[0] == ">" for l in lines):])
        counts.append(len(lines))


# A control focused, a notification shown, a value, a text or a button's description changed.
def heard(event, news=("focused", "showing", "accessible-value", "insert")):
    kind = event.type.split(":")[2]
    if event.detail1 if kind in news[:2] else kind in news[2:] or kind.endswith(
            "description") and event.source.getRole() == pyatspi.ROLE_PUSH_BUTTON:
        lines.append(kind + " " + told(event.source))


settle()
if not orca:
    walk(app[0], 0)
    # Names and descriptions heard keep them fresh.
    pyatspi.Registry.registerEventListener(heard, "object:text-changed:insert", *(
        "object:state-changed:" + s for s in ("focused", "showing")), *(
        "object:property-change:accessible-" + s for s in ("value", "name", "description")))
for key in (r[len("> key "):] for r in rows if r.startswith("> key ")):
    lines.append("> key " + key)
    subprocess.run(["xdotool", "key", key], check=True)
    settle()
print("\n".join(difflib.unified_diff(rows, lines, golden, "heard", lineterm="")))
sys.exit(lines != rows)
