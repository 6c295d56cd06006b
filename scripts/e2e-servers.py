#!/usr/bin/env python3
"""Loopback servers for the end-to-end scenarios, steered by the scenario driver.

    e2e-servers.py [--daytime 13] [--proxy 8080] [--control 7013]

Three listeners, all on 127.0.0.1:
- a Daytime server whose reply the control port chooses (see MODES);
- an HTTP proxy that answers every request with what the Daytime server sends, and records the
  request line, so that a scenario can tell whether the program went through the proxy;
- the control port: one command per connection, one line back.
    mode NAME [ARG]   choose the Daytime server's reply; "ok"
    stats             "daytime=<connections> proxy=<requests> request=<last request line>"
    reset             zero the counts; "ok"
Nothing here ever connects beyond 127.0.0.1: the proxy forwards to the loopback Daytime server
whatever address the request names.
"""
import argparse
import datetime
import select
import socket
import threading
import time

# Replies are led by a line feed, as real servers send them: WinInet takes a reply's first line
# for a missing HTTP status line and drops it.
MODES = ("current", "offset", "junk", "month00", "closed", "silent", "stalled",
         "unhealthy")


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.mode = "current"
        self.offset = 0.0
        self.daytime = 0
        self.proxy = 0
        self.request = ""


def nist_line(when: datetime.datetime) -> str:
    mjd = (when.date() - datetime.date(1858, 11, 17)).days
    return "\n%05d %s 00 0 0  50.0 UTC(NIST) * \n" % (mjd, when.strftime("%y-%m-%d %H:%M:%S"))


def aimed_time(offset: float) -> datetime.datetime:
    """The whole second that the program will be in when it takes the line in.

    The line carries whole seconds, and Wine lets a program move its clock by less than half a
    second only. Sent 0.4 s before a second turns, with that coming second, the line is within
    half a second of the program's clock for anything from 0 to 0.9 s that the program takes to
    read and compare it: room for a busy machine."""
    time.sleep((0.6 - time.time() % 1.0) % 1.0)
    # Rounded, so that a sleep that overshoots into the next second still gives that second.
    second = round(time.time())
    return datetime.datetime.fromtimestamp(second + round(offset), datetime.timezone.utc)


def daytime_reply(state: State) -> bytes:
    with state.lock:
        mode, offset = state.mode, state.offset
    if mode in ("current", "offset"):
        return nist_line(aimed_time(offset if mode == "offset" else 0.0)).encode()
    if mode == "unhealthy":
        # The time as it is, from a server that says its own clock is off by more than 5 s.
        line = nist_line(aimed_time(0.0))
        return line.replace(" 0 0 ", " 0 2 ", 1).encode()
    if mode == "junk":
        return b"\nThis is not the time you are looking for.\n"
    if mode == "month00":
        now = datetime.datetime.now(datetime.timezone.utc)
        return ("\n61017 %s-00-%s 00 0 0  50.0 UTC(NIST) * \n"
                % (now.strftime("%y"), now.strftime("%d %H:%M:%S"))).encode()
    return b""


def finish(conn: socket.socket) -> None:
    # The client may still be sending its HTTP request: read it before closing, or the kernel
    # answers the unread bytes with a reset and the client loses the reply.
    try:
        conn.shutdown(socket.SHUT_WR)
        conn.settimeout(5)
        while conn.recv(4096):
            pass
    except OSError:
        pass
    conn.close()


def serve_daytime(conn: socket.socket, state: State) -> None:
    with state.lock:
        state.daytime += 1
        mode = state.mode
    if mode == "silent":
        # Accepts, then neither answers nor closes for longer than any client waits.
        try:
            conn.settimeout(60)
            while conn.recv(4096):
                pass
        except OSError:
            pass
        conn.close()
        return
    try:
        conn.sendall(daytime_reply(state))
    except OSError:
        pass
    finish(conn)


def read_head(conn: socket.socket) -> bytes:
    data = b""
    conn.settimeout(10)
    while b"\r\n\r\n" not in data and len(data) < 65536:
        chunk = conn.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


def serve_proxy(conn: socket.socket, state: State, daytime_port: int) -> None:
    try:
        head = read_head(conn)
        with state.lock:
            state.proxy += 1
            state.request = head.split(b"\r\n", 1)[0].decode("latin-1")
        body = b""
        try:
            with socket.create_connection(("127.0.0.1", daytime_port), timeout=10) as upstream:
                upstream.shutdown(socket.SHUT_WR)
                while True:
                    chunk = upstream.recv(4096)
                    if not chunk:
                        break
                    body += chunk
        except OSError:
            conn.sendall(b"HTTP/1.0 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n")
            return
        # A proxy hands a status-line-less (HTTP/0.9) answer on as a proper response.
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
                     b"Connection: close\r\n\r\n" % len(body) + body)
    except OSError:
        pass
    finally:
        finish(conn)


class Listener:
    """A listening socket on 127.0.0.1 whose connections go to handler, each on its thread."""

    def __init__(self, port: int, handler):
        self.port = port
        self.handler = handler
        self.sock = None
        self.fillers = []
        self.lock = threading.Lock()

    def open(self) -> None:
        if self.fillers:
            self.close()
        with self.lock:
            if self.sock is not None:
                return
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            sock.bind(("127.0.0.1", self.port))
            sock.listen(16)
            self.sock = sock
        threading.Thread(target=self.accept, args=(sock,), daemon=True).start()

    def close(self) -> None:
        # A closed port refuses connections, as a host without a Daytime server does.
        with self.lock:
            sock, self.sock = self.sock, None
            fillers, self.fillers = self.fillers, []
        for filler in fillers:
            filler.close()
        if sock is not None:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            sock.close()

    def stall(self) -> None:
        """Listens without accepting, the accept queue filled by connections of its own: the
        kernel then drops every further connection request, and a client's connect never
        completes, as behind a firewall that drops the packets."""
        self.close()
        with self.lock:
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            sock.bind(("127.0.0.1", self.port))
            sock.listen(0)
            self.sock = sock
            for _ in range(16):
                filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                filler.setblocking(False)
                filler.connect_ex(("127.0.0.1", self.port))
                self.fillers.append(filler)
                if not select.select([], [filler], [], 0.2)[1]:
                    break

    def accept(self, sock: socket.socket) -> None:
        while True:
            try:
                conn, _ = sock.accept()
            except OSError:
                return
            threading.Thread(target=self.handler, args=(conn,), daemon=True).start()


def serve_control(conn: socket.socket, state: State, daytime: Listener) -> None:
    with conn:
        conn.settimeout(10)
        data = b""
        try:
            while b"\n" not in data:
                chunk = conn.recv(1024)
                if not chunk:
                    break
                data += chunk
        except OSError:
            return
        words = data.decode("latin-1").split()
        answer = "error: unknown command"
        if words[:1] == ["mode"] and len(words) >= 2 and words[1] in MODES:
            with state.lock:
                state.mode = words[1]
                state.offset = float(words[2]) if len(words) > 2 else 0.0
            if words[1] == "closed":
                daytime.close()
            elif words[1] == "stalled":
                daytime.stall()
            else:
                daytime.open()
            answer = "ok"
        elif words == ["stats"]:
            with state.lock:
                answer = "daytime=%d proxy=%d request=%s" % (state.daytime, state.proxy,
                                                             state.request)
        elif words == ["reset"]:
            with state.lock:
                state.daytime = state.proxy = 0
                state.request = ""
            answer = "ok"
        try:
            conn.sendall((answer + "\n").encode())
        except OSError:
            pass


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--daytime", type=int, default=13)
    parser.add_argument("--proxy", type=int, default=8080)
    parser.add_argument("--control", type=int, default=7013)
    args = parser.parse_args()

    state = State()
    daytime = Listener(args.daytime, lambda c: serve_daytime(c, state))
    proxy = Listener(args.proxy, lambda c: serve_proxy(c, state, args.daytime))
    control = Listener(args.control, lambda c: serve_control(c, state, daytime))
    daytime.open()
    proxy.open()
    control.open()
    print("e2e servers on 127.0.0.1: daytime %d, proxy %d, control %d"
          % (args.daytime, args.proxy, args.control), flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
