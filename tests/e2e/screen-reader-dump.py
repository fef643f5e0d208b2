#!/usr/bin/python3
"""The program as a screen reader meets it, through the desktop's accessibility bus.

Runs the real program in a folder of its own against a small update service on 127.0.0.1,
with Qt's accessibility switched on, and walks its three windows over AT-SPI the way a blind
user would: the main window, the settings dialog (opened with the settings button's action)
and the messages window (opened with the check link's action). Every object is printed with
its role, name, states and actions. The run fails when an interactive control lacks a
matching role, a name in the current language or an action, when a focusable object has no
name, or when the message page's heading, text and link cannot be read.

Needs an X server, a session bus and python3-pyatspi: the test runs it under
dbus-run-session and xvfb-run.

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

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.send_response(200)
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


def wait_for(what, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = what()
        if result:
            return result
        time.sleep(0.2)
    return None


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
    for sub in ("config", "etc", "home"):
        os.makedirs(os.path.join(work, sub))
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
        run(process, texts, product, description)
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


def run(process, texts, product, description):
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
    press(find(objects, "push button", texts["txtClose"]))
    wait_for(lambda: window_named(app, prefix, texts["txtMessages"]) is None
             or "showing" not in describe(messages)[2], 10)
    main_objects = walk(main_window)
    press(find(main_objects, "push button", texts["txtExit"]))
    try:
        process.wait(20)
    except subprocess.TimeoutExpired:
        fail("the program did not end with its exit button")


if __name__ == "__main__":
    sys.exit(main())
