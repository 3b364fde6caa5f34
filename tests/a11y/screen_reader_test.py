#!/usr/bin/python3
"""The window as a screen reader meets it, on an AT-SPI bus of its own under Xvfb: the
accessibility tree, then the news that each change made through AT-SPI brings, against GOLDEN.
Usage: screen_reader_test.py PROGRAM GOLDEN"""
import atexit, os, re, subprocess, sys, tempfile, time

if "DBUS_SESSION_BUS_ADDRESS" not in os.environ or "SAA_A11Y_BUS" not in os.environ:
    os.environ["SAA_A11Y_BUS"] = "1"
    os.execvp("dbus-run-session", ["dbus-run-session", "--", "/usr/bin/python3", *sys.argv])

program, golden = sys.argv[1], sys.argv[2]
home = tempfile.mkdtemp(prefix="a11y-")
# A home of this run's own, by which its processes are known at the end.
os.mkdir(os.path.join(home, "run"), 0o700)
os.environ.update(HOME=home, XDG_RUNTIME_DIR=home + "/run", XDG_STATE_HOME=home, GTK_MODULES="",
                  QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")


def start(*command, **options):
    quiet = subprocess.DEVNULL
    subprocess.Popen(command, stdout=quiet, stderr=quiet, **options)


def wait_for(what, seconds, condition):
    for _ in range(int(seconds * 10)):
        if (found := condition()):
            return found
        time.sleep(0.1)
    sys.exit(f"FAIL no {what} within {seconds} s")


@atexit.register
def end_all():
    """Ends what this run started, the daemons the buses started too: the processes with this
    run's home."""
    mine = f"HOME={home}".encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            environment = open(f"/proc/{pid}/environ", "rb").read().split(b"\0")
            if int(pid) != os.getpid() and mine in environment:
                os.kill(int(pid), 9)
        except OSError:
            pass


def expect(lines):
    rows = [l for l in open(golden).read().splitlines() if l and not l.startswith("# ")]
    if lines == rows:
        print(f"{len(rows)} passed, 0 failed")
        sys.exit(0)
    sys.stdout.writelines(l + "\n" for l in subprocess.run(
        ["diff", "-u", golden, "-"], input="\n".join(lines) + "\n", text=True,
        capture_output=True).stdout.splitlines()[2:])
    sys.exit(1)


start("/usr/libexec/at-spi-bus-launcher", "--launch-immediately")
read, write = os.pipe()
start("Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
      pass_fds=[write])
os.environ["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
# Times of the lock vary: "T" stands for each.
plain = lambda text: re.sub(r"\d+(\.\d+)? ms", "T ms", text)
start(program, "--simulate", "--lock", "--resume", "no")
import pyatspi  # noqa: E402 (on the bus this run made)

app = wait_for("window on the bus", 30, lambda: next(
    (a for a in pyatspi.Registry.getDesktop(0) if a and a.name == os.path.basename(program)
     and a.childCount), None))


def told(node):
    """role | name | description | value | the states a screen reader tells apart."""
    value = []
    if "Value" in pyatspi.listInterfaces(node):
        value.append(str(int(node.queryValue().currentValue)))
    if "Text" in pyatspi.listInterfaces(node):
        value.append(node.queryText().getText(0, -1))
    states = [s for s in ("focusable", "editable") if node.getState().contains(
        getattr(pyatspi, "STATE_" + s.upper()))]
    return " | ".join([node.getRoleName(), node.name, node.description, " / ".join(value) or "-",
                       " ".join(states) or "-"])


lines = []
def walk(node, depth):
    lines.append("  " * depth + plain(told(node)))
    if node.getRole() != pyatspi.ROLE_LIST:
        for child in node:
            walk(child, depth + 1)
walk(app[0], 0)
named = lambda name: pyatspi.findDescendant(app, lambda n: n.name == name and n.getRole() in (
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_LIST, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_SLIDER))
actions = {
    "set": lambda node, value: setattr(node.queryValue(), "currentValue", float(value)),
    "press": lambda node, _: node.queryAction().doAction(0),
    "choose": lambda node, row: node[int(row)].queryAction().doAction(0),
}
steps = [r[2:] for r in open(golden).read().splitlines() if r.startswith("> ")]


def heard(event):
    source = event.source
    if event.type.startswith("object:state-changed:showing"):
        lines.append(f"told {plain(source.name)}")
    elif event.type.endswith("description") and source.getRole() == pyatspi.ROLE_PUSH_BUTTON:
        lines.append(f"description {source.name}: {source.description}")
    elif not event.type.endswith(("name", "description")):  # names heard to keep them fresh
        lines.append(f"{event.type.split(':')[-1]} {told(source)}")


def step():
    if not steps:
        pyatspi.Registry.stop()
        return False
    lines.append("> " + steps[0])
    verb, name = (steps.pop(0) + " ").split(" ", 1)
    name, value = name.strip().rsplit(" ", 1) if verb in ("set", "choose") else (name.strip(), 0)
    try:
        if verb != "wait":
            actions[verb](named(name), value)
    except Exception as error:  # the loop would only log it
        lines.append(f"{error!r} in {lines[-1]}")
        pyatspi.Registry.stop()
    return True


from gi.repository import GLib  # noqa: E402
pyatspi.Registry.registerEventListener(
    heard, "object:state-changed:showing", "object:property-change:accessible-value",
    "object:property-change:accessible-description", "object:text-changed:insert",
    "object:property-change:accessible-name")
GLib.timeout_add(1500, step)
GLib.timeout_add(60000, lambda: sys.exit("FAIL the changes took over a minute"))
pyatspi.Registry.start()
expect(lines)
