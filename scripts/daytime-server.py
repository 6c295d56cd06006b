#!/usr/bin/env python3
"""A Daytime (RFC 867) server on loopback that serves this machine's own clock as a NIST line.

    daytime-server.py [--port 13] [--offset SECONDS]

Each connection gets one line, led by a line feed as real servers send it, e.g.
"\\n61017 26-12-08 14:05:09 00 0 0  50.0 UTC(NIST) * \\n". --offset shifts the time served.
"""
import argparse
import datetime
import socket
import threading


def nist_line(now: datetime.datetime) -> bytes:
    mjd = (now.date() - datetime.date(1858, 11, 17)).days
    return ("\n%05d %s 00 0 0  50.0 UTC(NIST) * \n" % (mjd, now.strftime("%y-%m-%d %H:%M:%S"))).encode()


def serve(conn: socket.socket, offset: float) -> None:
    with conn:
        now = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(seconds=offset)
        conn.sendall(nist_line(now))
        # The client may still be sending its HTTP request: read it before closing, or the
        # kernel answers the unread bytes with a reset and the client loses the line.
        conn.shutdown(socket.SHUT_WR)
        conn.settimeout(5)
        try:
            while conn.recv(4096):
                pass
        except OSError:
            pass


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=13)
    parser.add_argument("--offset", type=float, default=0.0)
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen()
    print("daytime server on 127.0.0.1:%d" % args.port, flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn, args.offset), daemon=True).start()


if __name__ == "__main__":
    main()
