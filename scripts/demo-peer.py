#!/usr/bin/env python3
"""Stands in for the lights controller of the demo, on 127.0.0.1 only.

    scripts/demo-peer.py [PORT]        (default 50361, the port make-demo writes; 0: any free
                                        port, written to standard output)

Each light is on or off. A line "<NAME> TOGGLE" switches the light and every client is told
"<NAME>=ON" or "<NAME>=OFF" (lines end in CR LF). A new client is told the state of every light
at once, so the panel shows what this side holds from the start. Support for the demo only.
"""
import selectors
import signal
import socket
import sys

LIGHTS = ["KITCHEN", "HALL", "LIVING", "GARDEN"]
MAX_LINE = 256


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 50361
    state = {name: False for name in LIGHTS}
    clients = {}  # socket -> bytes received without an end of line yet
    selector = selectors.DefaultSelector()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(4)
    listener.setblocking(False)
    if port == 0:
        print(listener.getsockname()[1], flush=True)
        port = listener.getsockname()[1]
    selector.register(listener, selectors.EVENT_READ)

    def report(name):
        return ("%s=%s\r\n" % (name, "ON" if state[name] else "OFF")).encode("ascii")

    def send(client, data):
        try:
            client.sendall(data)
        except OSError:
            drop(client)

    def drop(client):
        if client in clients:
            del clients[client]
            selector.unregister(client)
            client.close()

    def stop(_signum, _frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print("demo peer: lights on 127.0.0.1:%d" % port, file=sys.stderr, flush=True)

    while True:
        for key, _ in selector.select():
            if key.fileobj is listener:
                try:
                    client, _ = listener.accept()
                except OSError:
                    continue
                client.setblocking(True)
                clients[client] = b""
                selector.register(client, selectors.EVENT_READ)
                send(client, b"".join(report(name) for name in LIGHTS))
                continue
            client = key.fileobj
            try:
                data = client.recv(4096)
            except OSError:
                data = b""
            if not data:
                drop(client)
                continue
            pending = clients[client] + data
            *lines, rest = pending.split(b"\n")
            # A line that never ends is not kept without bound.
            clients[client] = rest[-MAX_LINE:]
            for line in lines:
                words = line.strip().decode("ascii", "replace").split()
                if len(words) == 2 and words[0] in state and words[1] == "TOGGLE":
                    state[words[0]] = not state[words[0]]
                    print("demo peer: %s %s" % (words[0], "on" if state[words[0]] else "off"),
                          file=sys.stderr, flush=True)
                    for other in list(clients):
                        send(other, report(words[0]))


if __name__ == "__main__":
    main()
