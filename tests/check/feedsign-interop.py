#!/usr/bin/python3
"""pelk-feedsign against an independent Ed25519 implementation (python3-nacl), both ways:
a feed signed by nacl verifies with the tool (the program's own verification), and the
tool's keys and signatures verify in nacl. Then what the tool must refuse.

    feedsign-interop.py PELK-FEEDSIGN
"""

import base64
import hashlib
import os
import subprocess
import sys
import tempfile

import nacl.exceptions
import nacl.signing

FEED = (b'<?xml version="1.0" encoding="UTF-8"?>\n'
        b'<messages serial="7" expires="2099-01-01T00:00:00Z">\n'
        b'  <message id="a" type="info"><title>Gr\xc3\xb6\xc3\x9fere Kataloge</title></message>\n'
        b'</messages>\n')
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def key_id(public):
    return hashlib.sha256(public).digest()[:8].hex()


def signature_comment(body):
    """The signed bytes, key id and signature of the comment that ends `body`."""
    start = body.index(b"<!--pelk-signature ")
    fields = body[start:].rstrip(b" \t\r\n")
    assert fields.endswith(b"-->") and fields.count(b"<!--pelk-signature") == 1
    _, algorithm, kid, signature = fields[:-3].split(b" ")
    assert algorithm == b"ed25519"
    return body[:start], kid.decode(), base64.b64decode(signature, validate=True)


def tool(*args):
    return subprocess.run([sys.argv[1], *args], capture_output=True)


def main():
    with tempfile.TemporaryDirectory() as folder:
        return run(lambda name: os.path.join(folder, name))


def run(path):
    with open(path("feed.xml"), "wb") as out:
        out.write(FEED)

    # nacl signs, the program's code verifies.
    nacl_key = nacl.signing.SigningKey.generate()
    nacl_public = bytes(nacl_key.verify_key)
    signed = FEED + b"<!--pelk-signature ed25519 %s %s-->\n" % (
        key_id(nacl_public).encode(), base64.b64encode(nacl_key.sign(FEED).signature))
    with open(path("nacl-signed.xml"), "wb") as out:
        out.write(signed)
    result = tool("verify", base64.b64encode(nacl_public).decode(), path("nacl-signed.xml"))
    check(result.returncode == 0 and ("key %s, serial 7" % key_id(nacl_public)).encode() in result.stdout,
          "a feed signed by nacl verifies: %r" % (result.stdout + result.stderr))
    with open(path("nacl-changed.xml"), "wb") as out:
        out.write(signed.replace(b"Kataloge", b"Katalogs"))
    result = tool("verify", base64.b64encode(nacl_public).decode(), path("nacl-changed.xml"))
    check(result.returncode == 1 and b"does not verify" in result.stderr, "one changed byte does not verify")

    # The tool makes the key and signs, nacl verifies.
    result = tool("keygen", path("vendor.key"))
    public = base64.b64decode(result.stdout.strip(), validate=True)
    check(result.returncode == 0 and len(public) == 32, "keygen prints a public key of 32 bytes")
    check(os.stat(path("vendor.key")).st_mode & 0o777 == 0o600, "the secret key file is readable by its owner alone")
    with open(path("vendor.key"), "rb") as secret:
        seed = base64.b64decode(secret.read().strip(), validate=True)
    check(bytes(nacl.signing.SigningKey(seed).verify_key) == public, "the secret file holds the RFC 8032 seed")
    result = tool("sign", path("vendor.key"), path("feed.xml"), path("signed.xml"))
    with open(path("signed.xml"), "rb") as feed:
        body, kid, signature = signature_comment(feed.read())
    try:
        nacl.signing.VerifyKey(public).verify(body, signature)
        verified = True
    except nacl.exceptions.BadSignatureError:
        verified = False
    check(result.returncode == 0 and body == FEED and kid == key_id(public) and verified,
          "the tool's signature verifies in nacl")
    result = tool("sign", path("vendor.key"), path("signed.xml"), path("signed-again.xml"))
    with open(path("signed-again.xml"), "rb") as feed:
        body, _, _ = signature_comment(feed.read())
    check(result.returncode == 0 and body == FEED, "signing a signed feed replaces its signature")

    # What the tool refuses, leaving no output behind.
    check(tool("keygen", path("vendor.key")).returncode == 1, "keygen never overwrites a key")
    refused = {
        "not well-formed": FEED.replace(b"</message>", b""),
        "no serial": FEED.replace(b' serial="7"', b""),
        "leading zero": FEED.replace(b'"7"', b'"07"'),
        "other date form": FEED.replace(b"2099-01-01T00:00:00Z", b"2099-01-01"),
        "UTF-16": b"\xff\xfe" + FEED.decode("utf-8").replace("UTF-8", "UTF-16").encode("utf-16-le"),
    }
    for what, feed in refused.items():
        with open(path("bad.xml"), "wb") as out:
            out.write(feed)
        result = tool("sign", path("vendor.key"), path("bad.xml"), path("bad-signed.xml"))
        check(result.returncode == 1 and not os.path.exists(path("bad-signed.xml")),
              "sign refuses a feed: %s: %s" % (what, result.stderr.decode().strip()))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
