#!/usr/bin/python3
"""The program as a screen reader meets it, through the desktop's accessibility bus.

Runs the real program in a folder of its own against a small update service on 127.0.0.1,
with Qt's accessibility switched on, and walks its three windows over AT-SPI the way a blind
user would: the main window, the settings dialog (opened with the settings button's action)
and the messages window (opened with the check link's action). Every object is printed with
its role, name, states and actions. The run fails when an interactive control lacks a
matching role, a name in the current language or an action, when a focusable object has no
name or labels itself, or when the message page's heading, text and link cannot be read.
It also listens to the bus the way a screen reader does: every focus stop of Tab in the
messages window must be named and follow the screen, Tab into the list must land on its
current row, a page link focused through the bus must open with Return, marking a row read
must bring the focus back to the row, a question box must be modal, and the end of each check
(the counts, nothing new, an error) must come as a notification that shows.

Needs an X server, a session bus, python3-pyatspi and xdotool (the keys): the test runs it
under dbus-run-session and xvfb-run.

    screen-reader-dump.py --program build/bin/PelkUpdater --module build/bin/PelkMessagePage.so \
        --module build/bin/PelkNetwork.so
                          --ini examples/PelkUpdater.ini --language engb
"""

import argparse
import configparser
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi
from gi.repository import GLib

FEED = """<?xml version="1.0" encoding="UTF-8"?>
<messages>
  <message id="notice-1" date="20261201" type="info">
    <title>Planned maintenance</title>
    <desc><![CDATA[<p>The catalogue is offline on Sunday morning.</p>]]></desc>
  </message>
  <message id="security-1" date="20261205" type="update" prio="high">
    <title>Important security update</title>
    <desc><![CDATA[<p>Please install this update soon.</p>
<p><a href="https://www.example.com/orbel/security">Details and download</a></p>]]></desc>
  </message>
</messages>
""".encode("utf-8")

# Roles of controls a user operates, with the actions of which each must offer one. The
# HTML engine gives a page's links only a focus action: focused, Enter follows them.
INTERACTIVE = {
    "push button": ("Press",),
    "radio button": ("Toggle", "Press"),
    "check box": ("Toggle", "Press"),
    "combo box": ("ShowMenu",),
    "link": ("Press", "SetFocus"),
}
failures = []
# What a screen reader would be told: (event type, source, detail1, role, name), oldest first.
events = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text, flush=True)


def plain(text):
    """A text of the language file without its mnemonic marks."""
    out, i = [], 0
    while i < len(text):
        if text[i] == "&":
            i += 1
            if i == len(text):
                break
        out.append(text[i])
        i += 1
    return "".join(out)


class Service(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    status = 200

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.send_response(Service.status)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Content-Length", str(len(FEED)))
        self.end_headers()
        self.wfile.write(FEED)


def describe(acc):
    states = acc.getState().getStates()
    names = sorted(pyatspi.stateToString(s) for s in states)
    try:
        action = acc.queryAction()
        actions = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        actions = []
    return acc.getRoleName(), acc.name or "", names, actions


def walk(acc, depth=0, limit=40):
    """Every object below acc, with its depth, as a list."""
    found = []
    if acc is None or depth > limit:
        return found
    found.append((depth, acc))
    for i in range(acc.childCount):
        try:
            found += walk(acc.getChildAtIndex(i), depth + 1, limit)
        except Exception:  # an object that went away while we looked
            pass
    return found


def dump(title, window):
    print("== %s" % title, flush=True)
    objects = walk(window)
    for depth, acc in objects:
        role, name, states, actions = describe(acc)
        print("%s%s %r states=%s actions=%s" % ("  " * depth, role, name, ",".join(states), ",".join(actions)))
    return objects


def text_of(acc):
    try:
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return ""


def check_window(title, objects, expected_role):
    window = objects[0][1]
    role, name, states, _ = describe(window)
    if role != expected_role:
        fail("%s: role %s, expected %s" % (title, role, expected_role))
    if not name.startswith("Orbel - "):
        fail("%s: window name %r" % (title, name))
    for _, acc in objects:
        role, name, states, actions = describe(acc)
        if "showing" not in states and "visible" not in states:
            continue
        if role in INTERACTIVE:
            if not name:
                fail("%s: %s without a name" % (title, role))
            if not set(INTERACTIVE[role]) & set(actions):
                fail("%s: %s %r lacks an action of %s (has %s)" % (title, role, name, INTERACTIVE[role], actions))
        if "focusable" in states and not name and role not in ("table cell", "list item", "tree item"):
            fail("%s: focusable %s without a name" % (title, role))
        for relation in acc.getRelationSet():
            if any(relation.getTarget(i) == acc for i in range(relation.getNTargets())):
                fail("%s: %s %r is its own %s" % (title, role, name, relation.getRelationType()))


def find(objects, role, name=None):
    for _, acc in objects:
        if acc.getRoleName() == role and (name is None or acc.name == name):
            return acc
    return None


def press(acc, action_name="Press"):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            action.doAction(i)
            return
    fail("no action %s on %s %r" % (action_name, acc.getRoleName(), acc.name))


def pump(seconds):
    """Lets the bus deliver its events for a while."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.02)


def wait_for(what, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = what()
        if result:
            return result
        pump(0.2)
    return None


def record(event):
    try:
        source = event.source
        events.append((event.type, source, event.detail1, source.getRoleName(), source.name or ""))
    except Exception:  # an object that went away
        pass


def press_key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def focus_after(what, title):
    """The objects that took the focus after what(), in order; each must be named."""
    def taken():
        return [(source, role, name) for kind, source, detail, role, name in events
                if kind == "object:state-changed:focused" and detail]
    events.clear()
    what()
    wait_for(taken, 10)
    stops = []
    while len(stops) != len(taken()):  # until the focus has come to rest
        stops = taken()
        pump(0.5)
    for _, role, name in stops:
        if not name:
            fail("%s: the focus passes an unnamed %s" % (title, role))
    return stops


def stop_kind(stops):
    if not stops:
        return None
    role = stops[-1][1]
    return "page" if role in ("document web", "link") else role


def notified(timeout=30.0):
    """The name of the notification that shows next."""
    def shown():
        for kind, _, detail, role, name in events:
            if kind == "object:state-changed:showing" and detail and role == "notification":
                return name
        return None
    return wait_for(shown, timeout)


def check_result(title, press_link, expected):
    events.clear()
    press_link()
    name = notified()
    if name is None or not expected(name):
        fail("%s: the check's end was told as %r" % (title, name))


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def window_named(app, prefix, suffix):
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is not None and window.name.startswith(prefix) and window.name.endswith(suffix):
            return window
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--module", action="append", required=True,
                        help="a module of the program, copied beside it (repeat for each)")
    parser.add_argument("--ini", required=True)
    parser.add_argument("--language", default="engb")
    args = parser.parse_args()

    ini = configparser.ConfigParser(interpolation=None, strict=False)
    ini.optionxform = str
    ini.read(args.ini, encoding="utf-8")
    texts = {key: plain(value) for key, value in ini["Texts_" + args.language].items()}
    product = texts["txtProduct"]

    service = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Service)
    threading.Thread(target=service.serve_forever, daemon=True).start()

    work = tempfile.mkdtemp(prefix="pelk-a11y-")
    program_dir = os.path.join(work, "program")
    os.makedirs(program_dir)
    for sub in ("config", "etc", "home", "bin"):
        os.makedirs(os.path.join(work, sub))
    # The desktop's "open" records the address instead of starting a browser.
    opened = os.path.join(work, "opened")
    with open(os.path.join(work, "bin", "xdg-open"), "w") as opener:
        opener.write('#!/bin/sh\necho "$1" >> "%s"\n' % opened)
    os.chmod(os.path.join(work, "bin", "xdg-open"), 0o755)
    program = os.path.join(program_dir, "PelkUpdater")
    shutil.copy(args.program, program)
    for module in args.module:
        shutil.copy(module, program_dir)
    with open(args.ini, encoding="utf-8") as source:
        ini_text = source.read()
    url = "http://127.0.0.1:%d/update" % service.server_address[1]
    ini_text = "\n".join(("UpdateCheckURL=" + url) if line.startswith("UpdateCheckURL=") else line
                         for line in ini_text.split("\n"))
    with open(os.path.join(program_dir, "PelkUpdater.ini"), "w", encoding="utf-8") as target:
        target.write(ini_text)
    with open(os.path.join(program_dir, "PelkServicePack.pelk"), "w") as pack:
        pack.write('<?xml version="1.0"?>\n<Pelk><ProgVersion Value="5.2.1.7"/>'
                   '<OfflineVersion Value="5.2.1"/><AllowOnlineUpdate Value="1"/></Pelk>\n')

    env = dict(os.environ)
    env.update({
        "XDG_CONFIG_HOME": os.path.join(work, "config"),
        "XDG_CONFIG_DIRS": os.path.join(work, "etc"),
        "HOME": os.path.join(work, "home"),
        "PATH": os.path.join(work, "bin") + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "QTWEBENGINE_DISABLE_SANDBOX": "1",
        "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu --no-sandbox",
    })
    for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY",
                 "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"):
        env.pop(name, None)
    process = subprocess.Popen([program, "/LNG:" + args.language], env=env, cwd=work)
    try:
        langs = ini["Langs"]
        description = next(langs["LangDesc" + key[len("LangKey"):]] for key in langs
                           if key.startswith("LangKey") and langs[key] == args.language)
        pyatspi.Registry.registerEventListener(record, "object:state-changed:focused",
                                               "object:state-changed:showing")
        run(process, texts, product, description, opened)
    finally:
        if process.poll() is None:
            process.kill()
        process.wait()
        service.shutdown()
        shutil.rmtree(work, ignore_errors=True)

    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("every window readable")
    return 0


def run(process, texts, product, description, opened):
    app = wait_for(lambda: application(process.pid))
    if app is None:
        fail("the program never appeared on the accessibility bus")
        return
    prefix = "Orbel - %s - " % product

    main_window = wait_for(lambda: window_named(app, prefix, texts["txtTitle"]))
    if main_window is None:
        fail("no main window on the bus")
        return
    objects = dump("main window", main_window)
    check_window("main window", objects, "frame")
    link = find(objects, "link", texts["txtCheckForUpdates"])
    if link is None:
        fail("no link named %r" % texts["txtCheckForUpdates"])
    # The selector is named by the description of the language, as the user sees it.
    combo = find(objects, "combo box")
    if combo is None or combo.name != description:
        fail("language selector named %r, not %r" % (combo.name if combo else None, description))

    for role, key in (("push button", "txtSettings"), ("push button", "txtExit")):
        if find(objects, role, texts[key]) is None:
            fail("no %s named %r" % (role, texts[key]))
    log = [acc for _, acc in objects if acc.name == main_window.name and acc is not main_window
           and acc.getRoleName() != "label"]
    if not log:
        fail("the log box has no name")

    settings_button = find(objects, "push button", texts["txtSettings"])
    press(settings_button)
    settings = wait_for(lambda: window_named(app, prefix, texts["txtSettings"]))
    if settings is None:
        fail("the settings dialog did not open")
    else:
        objects = dump("settings dialog", settings)
        check_window("settings dialog", objects, "dialog")
        if "modal" not in describe(settings)[2]:
            fail("settings dialog not modal")
        press(find(objects, "push button", texts["txtCancel"]))
        wait_for(lambda: window_named(app, prefix, texts["txtSettings"]) is None
                 or "showing" not in describe(settings)[2], 10)

    events.clear()
    press(link)
    messages = wait_for(lambda: window_named(app, prefix, texts["txtMessages"]), 60)
    if messages is None:
        fail("the messages window did not open")
        return
    page = wait_for(lambda: find(walk(messages), "heading"), 30)
    objects = dump("messages window", messages)
    check_window("messages window", objects, "dialog")
    if "modal" not in describe(messages)[2]:
        fail("messages window not modal")
    if page is None or "Important security update" not in (page.name + text_of(page)):
        fail("the page's heading cannot be read")
    page_text = " ".join(acc.name + " " + text_of(acc) for _, acc in objects)
    if "Please install this update soon." not in page_text:
        fail("the page's text cannot be read")
    page_link = find(objects, "link", "Details and download")
    if page_link is None:
        fail("the page's link cannot be read")
    else:
        _, _, _, actions = describe(page_link)
        if not actions:
            fail("the page's link has no action")
    new_mark = texts["txtNew"]
    if not any(new_mark in describe(acc)[1] or new_mark in (acc.description or "") for _, acc in objects
               if acc.getRoleName() in ("table cell", "tree item")):
        fail("no row tells that it is %r" % new_mark)
    if page_link is not None:
        walk_messages_window(app, messages, page_link, texts, opened)
    press(find(walk(messages), "push button", texts["txtClose"]))
    counts = "%s: 2\n%s: 2" % (texts["txtNumberOfMessagesTotal"], texts["txtNumberOfMessagesNew"])
    name = notified()
    if name != counts:
        fail("the check's end was told as %r, not %r" % (name, counts))
    wait_for(lambda: window_named(app, prefix, texts["txtMessages"]) is None
             or "showing" not in describe(messages)[2], 10)

    # Everything is read now: the check asks, in a modal alert, whether to show the old ones.
    events.clear()
    press(link)
    question = wait_for(lambda: next((window for window in (app.getChildAtIndex(i) for i in range(app.childCount))
                                      if window is not None and window.getRoleName() == "alert"
                                      and "showing" in describe(window)[2]), None), 30)
    if question is None:
        fail("no question whether to show the old messages")
    else:
        if "modal" not in describe(question)[2]:
            fail("the question box is not modal")
        press_key("Escape")
        name = notified()
        if name is None or not name.endswith(texts["txtNoNewUpdatesAvailable"]):
            fail("the check's end was told as %r" % name)
    Service.status = 503
    check_result("failed check", lambda: press(link),
                 lambda name: name.startswith(texts["txtError"] + ": "))

    main_objects = walk(main_window)
    press(find(main_objects, "push button", texts["txtExit"]))
    try:
        process.wait(20)
    except subprocess.TimeoutExpired:
        fail("the program did not end with its exit button")


def walk_messages_window(app, messages, page_link, texts, opened):
    """Tab, a link focused through the bus, and marking read, as a screen reader hears them."""
    # Tab follows the screen (list, page, check box, Close) and lands on named objects; back in
    # the list it lands on the current row.
    for keys, expected in ((["Tab"] * 4, ["page", "check box", "push button", "table cell"]),
                           (["shift+Tab"] * 4, ["push button", "check box", "page", "table cell"])):
        stops = [stop_kind(focus_after(lambda name=name: press_key(name), "messages window " + name)) for name in keys]
        if stops != expected:
            fail("messages window: %s stops at %s, not %s" % (keys[0], stops, expected))

    # A link the screen reader moves to opens with Return; the window's Close does not take it.
    tree = find(walk(messages), "tree")
    for how, give_focus in (("focus action", lambda: press(page_link, "SetFocus")),
                            ("focus grab", lambda: page_link.queryComponent().grabFocus())):
        give_focus()
        wait_for(lambda: "focused" not in describe(tree)[2], 10)
        press_key("Return")
        link_opened = wait_for(lambda: os.path.exists(opened)
                               and "https://www.example.com/orbel/security" in open(opened).read(), 10)
        if "showing" not in describe(messages)[2]:
            fail("Return on a link that got the focus by %s closed the window" % how)
            return
        if not link_opened:
            fail("Return on a link that got the focus by %s did not open it" % how)
        if os.path.exists(opened):
            os.remove(opened)
        focus_after(lambda: press_key("shift+Tab"), "back to the list")

    # Marked read from the menu, the row is told again, without its "new" mark.
    press_key("ctrl+a")
    events.clear()
    press_key("Menu")
    menu = wait_for(lambda: next((source for kind, source, detail, role, _ in events
                                  if kind == "object:state-changed:showing" and detail and role == "popup menu"), None), 10)
    item = find(walk(menu, limit=2), "menu item", plain(texts["txtMarkAsRead"])) if menu else None
    if item is None:
        fail("no menu item %r" % plain(texts["txtMarkAsRead"]))
        return
    stops = focus_after(lambda: press(item), "marking read")
    if not stops or stops[-1][1] != "table cell" or texts["txtNew"] in (stops[-1][0].description or ""):
        fail("marking read is not told: the focus went to %s" % [stop[1:] for stop in stops])


if __name__ == "__main__":
    sys.exit(main())
