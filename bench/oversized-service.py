#!/usr/bin/env python3
"""An update service whose reply is too large, for the oversized-reply benchmark.

    bench/oversized-service.py PORT_FILE MODE

MODE "chunked": an endless chunked reply; "close": 40 MiB without a length, ending when the
connection closes. Listens on 127.0.0.1 on a free port, written to PORT_FILE; prints on
standard error how many body bytes each connection took before the client hung up.
"""

import socket
import sys
import threading

CHUNK = b"<message>" + b"x" * 65000 + b"</message>"


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        more = conn.recv(65536)
        if not more:
            raise OSError("closed")
        data += more
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    while len(body) < length:
        body += conn.recv(65536)


def serve(conn, mode):
    sent = 0
    try:
        read_request(conn)
        if mode == "chunked":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nTransfer-Encoding: chunked\r\n\r\n"
                         b"a\r\n<messages>\r\n")
            piece = b"%x\r\n" % len(CHUNK) + CHUNK + b"\r\n"
            while True:
                conn.sendall(piece)
                sent += len(CHUNK)
        else:
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n<messages>")
            while sent < 40 * 1024 * 1024:
                conn.sendall(CHUNK)
                sent += len(CHUNK)
    except OSError:
        pass
    finally:
        sys.stderr.write("sent %d body bytes\n" % sent)
        sys.stderr.flush()
        conn.close()


def main():
    port_file, mode = sys.argv[1], sys.argv[2]
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(5)
    with open(port_file, "w") as f:
        f.write(str(server.getsockname()[1]))
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn, mode), daemon=True).start()


main()
