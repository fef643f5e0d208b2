#!/usr/bin/env python3
"""A small update service for trying PelkUpdater on one machine.

Answers every POST (and GET) to /update with a message feed and prints each request it
receives: the request line, the headers and the decoded form fields. Listens on 127.0.0.1
only.

    scripts/sample-service.py [--port N] [--port-file FILE] [--feed FILE] [--quiet]
                              [--sign-key SECRET-KEY-FILE [--feedsign TOOL]]

--port 0 (the default) takes a free port; the address is printed, and written to
--port-file when given, once the service listens.

--sign-key serves the feed signed with that secret key (made by `pelk-feedsign keygen`), as a
vendor would: the root element gets a serial (the current time in seconds, so that a later
start serves a higher one) and an expiry a week ahead, and pelk-feedsign (by default the one
in build/bin/) adds the signature.
"""

import argparse
import datetime
import http.server
import os
import re
import subprocess
import sys
import tempfile
import time
import urllib.parse

FEED = """<?xml version="1.0" encoding="UTF-8"?>
<messages>
  <message id="welcome-2026" date="20261201" type="info">
    <title>Welcome to the Orbel catalogue update service</title>
    <desc><![CDATA[<p>This is the <b>sample update service</b> that came with PelkUpdater.
It answers every check with the same few messages.</p>
<p>See <a href="https://www.example.com/orbel/help">the catalogue help</a> for more.</p>]]></desc>
  </message>
  <message id="sp-5.2.2" date="20261203" type="update">
    <title>Service pack 5.2.2 is available</title>
    <desc><![CDATA[<p>Service pack <b>5.2.2</b> brings:</p>
<ul><li>faster search in large catalogues</li><li>new product pictures</li></ul>
<p><a href="https://www.example.com/orbel/download/5.2.2">Download the service pack</a></p>]]></desc>
  </message>
  <message id="security-2026-12" date="20261205" type="update" prio="high">
    <title>Important security update</title>
    <desc><![CDATA[<p><b>Please install this update soon.</b> It closes a flaw in the
<i>import of price lists</i>.</p>
<p><a href="https://www.example.com/orbel/security/2026-12">Details and download</a></p>]]></desc>
  </message>
  <message id="maintenance-2026-12" date="20261207" type="info">
    <title>Planned maintenance on 20 December</title>
    <desc><![CDATA[<p>The online catalogue is offline on <b>20 December</b> from 06:00 to 08:00.</p>]]></desc>
  </message>
</messages>
"""


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "PelkSampleService/1.0"
    protocol_version = "HTTP/1.1"
    feed = FEED.encode("utf-8")
    quiet = False

    def log_message(self, format, *args):  # the request print below says it all
        pass

    def _report(self, body):
        if self.quiet:
            return
        lines = ["%s %s from %s" % (self.command, self.path, self.client_address[0])]
        lines += ["  %s: %s" % (name, value) for name, value in self.headers.items()]
        if body:
            lines.append("  body: %s" % body.decode("ascii", "replace"))
            for key, value in urllib.parse.parse_qsl(body.decode("ascii", "replace"), keep_blank_values=True):
                lines.append("    %s = %r" % (key, value))
        print("\n".join(lines), flush=True)

    def _answer(self, body):
        self._report(body)
        if urllib.parse.urlsplit(self.path).path != "/update":
            self._send(404, "Not Found", b"no such page\n", "text/plain")
            return
        self._send(200, "OK", self.feed, "text/xml; charset=utf-8")

    def _send(self, status, reason, payload, content_type):
        self.send_response(status, reason)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(payload)))
        self.end_headers()
        self.wfile.write(payload)

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self._answer(self.rfile.read(length) if length > 0 else b"")

    def do_GET(self):
        self._answer(b"")


def signed(feed, key_file, tool):
    """The feed with a serial and expiry on its root element, signed by pelk-feedsign."""
    expires = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=7)
    stamp = ' serial="%d" expires="%s"' % (int(time.time()), expires.strftime("%Y-%m-%dT%H:%M:%SZ"))
    feed = re.sub(rb"<messages(?=[\s>/])", b"<messages" + stamp.encode(), feed, count=1)
    with tempfile.TemporaryDirectory() as folder:
        unsigned = os.path.join(folder, "feed.xml")
        with open(unsigned, "wb") as out:
            out.write(feed)
        result = subprocess.run([tool, "sign", key_file, unsigned, "-"], capture_output=True)
    if result.returncode != 0:
        sys.exit("cannot sign the feed: " + result.stderr.decode(errors="replace").strip())
    return result.stdout


def main():
    parser = argparse.ArgumentParser(description="Sample update service for PelkUpdater")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: a free one)")
    parser.add_argument("--port-file", help="write the port into this file once listening")
    parser.add_argument("--feed", help="serve this XML file instead of the built-in feed")
    parser.add_argument("--quiet", action="store_true", help="do not print the requests")
    parser.add_argument("--sign-key", help="serve the feed signed with this secret key file")
    parser.add_argument("--feedsign", help="the signing tool (default: build/bin/pelk-feedsign)",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "bin",
                                             "pelk-feedsign"))
    args = parser.parse_args()

    if args.feed:
        with open(args.feed, "rb") as feed:
            Handler.feed = feed.read()
    if args.sign_key:
        Handler.feed = signed(Handler.feed, args.sign_key, args.feedsign)
    Handler.quiet = args.quiet
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    print("Sample update service on http://127.0.0.1:%d/update" % port, flush=True)
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as out:
            out.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
