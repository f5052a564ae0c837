#!/usr/bin/env python3
"""A misbehaving peer for the link-fault soak, on 127.0.0.1 only.

    scripts/chaos-peer.py --seed N NAME:LINK:FRAMES:SKIP [...]

One listening socket per device: LINK is tcp, http (TCP that answers requests with an HTTP
response around the frames) or udp. FRAMES is a folder of files whose bytes, after the first
SKIP bytes, are valid feedback of the device's family (the fuzz seeds), or "text:A|B" for
literal frames. Every choice comes from one PRNG seeded with N, so a run can be repeated (the
timing of the other side still varies).

For each TCP connection a behaviour is drawn: accept and close at once (now and then with a
reset), stall mid-frame (half a frame, then neither read nor write for a few seconds, with a
small receive buffer so that the other side's sends back up), send garbage, send valid-looking
feedback (frames cut at random points), or stay silent. Now and then a listener is closed for a
few seconds, so that connects are refused. A UDP socket answers a datagram with nothing,
garbage, a valid frame or half of one, and is closed now and then (the sender then learns the
port is unreachable).

Prints "PORT NAME PORT" for every device, then "READY". On "STOP" (or the end of its input) it
prints "STAT NAME key=value ..." for every device, "STALL NAME START END" for every window (in
ms of CLOCK_MONOTONIC, the clock of the panel's steady clock) in which it did not read a
connection of that device, then "END", and exits.
"""
import argparse
import os
import random
import selectors
import socket
import sys
import time

SMALL_RECEIVE_BUFFER = 4096
BEHAVIOURS = [("valid", 35), ("garbage", 15), ("stall", 15), ("close", 20), ("silent", 15)]


def now_ms():
    return time.monotonic() * 1000.0


def load_frames(spec, skip):
    if spec.startswith("text:"):
        return [part.encode("latin-1").replace(b"\\r", b"\r").replace(b"\\n", b"\n")
                for part in spec[5:].split("|") if part]
    frames = []
    for name in sorted(os.listdir(spec)):
        with open(os.path.join(spec, name), "rb") as handle:
            data = handle.read()[skip:]
        if data:
            frames.append(data)
    return frames


class Conn:
    def __init__(self, sock, behaviour, until):
        self.sock = sock
        self.behaviour = behaviour
        self.until = until
        self.next_send = 0.0
        self.pending = b""
        self.request = b""
        self.reading = True
        self.stall_start = None


class Device:
    def __init__(self, name, link, frames, rng):
        self.name = name
        self.link = link
        self.frames = frames
        self.rng = rng
        self.port = 0
        self.sock = None
        self.reopen_at = None
        self.conns = {}
        self.stalls = []
        self.stats = {"accepts": 0, "refusal_windows": 0, "datagrams": 0, "sources": 0,
                      "valid": 0, "garbage": 0, "stall": 0, "close": 0, "silent": 0, "resets": 0,
                      "bytes_in": 0, "bytes_out": 0}
        self.sources = set()
        self.next_refusal = now_ms() + rng.uniform(4000, 15000)

    def frame(self):
        return self.rng.choice(self.frames)

    def wrap(self, body):
        if self.link != "http":
            return body
        if body.startswith(b"HTTP/"):
            return body
        head = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % len(body)
        return head + body


class Peer:
    def __init__(self, rng):
        self.rng = rng
        self.selector = selectors.DefaultSelector()
        self.devices = []

    # ---- sockets ---------------------------------------------------------------------------
    def open(self, device):
        if device.link == "udp":
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        else:
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            # Inherited by accepted sockets: a connection that is not read fills up soon.
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, SMALL_RECEIVE_BUFFER)
        try:
            sock.bind(("127.0.0.1", device.port))
        except OSError:
            sock.close()
            return False
        if device.link != "udp":
            sock.listen(8)
        sock.setblocking(False)
        device.port = sock.getsockname()[1]
        device.sock = sock
        self.selector.register(sock, selectors.EVENT_READ, ("listen", device))
        return True

    def close_listener(self, device, ms):
        self.selector.unregister(device.sock)
        device.sock.close()
        device.sock = None
        device.reopen_at = now_ms() + ms
        device.stats["refusal_windows"] += 1

    def drop(self, device, conn, reset=False):
        if conn.sock not in device.conns:
            return
        del device.conns[conn.sock]
        if conn.reading:
            self.selector.unregister(conn.sock)
        if conn.stall_start is not None:
            device.stalls.append((conn.stall_start, now_ms()))
        if reset:
            device.stats["resets"] += 1
            conn.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        conn.sock.close()

    def send(self, device, conn, data):
        try:
            sent = conn.sock.send(data)
            device.stats["bytes_out"] += sent
        except BlockingIOError:
            pass
        except OSError:
            self.drop(device, conn)

    # ---- TCP -------------------------------------------------------------------------------
    def accept(self, device):
        try:
            sock, _ = device.sock.accept()
        except OSError:
            return
        sock.setblocking(False)
        device.stats["accepts"] += 1
        rng = self.rng
        names = [name for name, _ in BEHAVIOURS]
        weights = [weight for _, weight in BEHAVIOURS]
        behaviour = rng.choices(names, weights)[0]
        # The first connection of every device is ended by this side soon, so that each device
        # reconnects at least once even in a short run.
        if device.stats["accepts"] == 1:
            behaviour = rng.choice(["valid", "close", "garbage"])
        span = {"valid": (1000, 8000), "garbage": (500, 4000), "stall": (2000, 6000),
                "close": (0, 300), "silent": (1000, 6000)}[behaviour]
        if device.stats["accepts"] == 1:
            span = (200, 2000)
        conn = Conn(sock, behaviour, now_ms() + rng.uniform(*span))
        device.stats[behaviour] += 1
        device.conns[sock] = conn
        self.selector.register(sock, selectors.EVENT_READ, ("conn", device, conn))
        if behaviour == "stall":
            frame = device.wrap(device.frame())
            self.send(device, conn, frame[: max(1, len(frame) // 2)])
            if sock in device.conns:
                self.selector.unregister(sock)
                conn.reading = False
                conn.stall_start = now_ms()

    def readable(self, device, conn):
        try:
            data = conn.sock.recv(65536)
        except BlockingIOError:
            return
        except OSError:
            data = b""
        if not data:
            self.drop(device, conn)
            return
        device.stats["bytes_in"] += len(data)
        if device.link == "http" and conn.behaviour == "valid":
            conn.request = (conn.request + data)[-8192:]
            while b"\r\n\r\n" in conn.request:
                conn.request = conn.request.split(b"\r\n\r\n", 1)[1]
                self.send(device, conn, device.wrap(device.frame()))

    def tick_conn(self, device, conn, t):
        rng = self.rng
        if t >= conn.until:
            self.drop(device, conn, reset=conn.behaviour == "close" and rng.random() < 0.5)
            return
        if t < conn.next_send:
            return
        if conn.behaviour == "valid" and device.link != "http":
            if not conn.pending:
                conn.pending = device.frame()
            cut = rng.randint(1, len(conn.pending))
            self.send(device, conn, conn.pending[:cut])
            conn.pending = conn.pending[cut:]
            conn.next_send = t + (rng.uniform(0, 30) if conn.pending else rng.uniform(50, 500))
        elif conn.behaviour == "garbage":
            self.send(device, conn, rng.randbytes(rng.randint(1, 512)))
            conn.next_send = t + rng.uniform(20, 300)

    # ---- UDP -------------------------------------------------------------------------------
    def datagram(self, device):
        try:
            data, source = device.sock.recvfrom(65536)
        except OSError:
            return
        rng = self.rng
        device.stats["datagrams"] += 1
        device.stats["bytes_in"] += len(data)
        if source not in device.sources:
            device.sources.add(source)
            device.stats["sources"] += 1
        choice = rng.random()
        if choice < 0.25:
            device.stats["silent"] += 1
            return
        if choice < 0.65:
            device.stats["valid"] += 1
            reply = device.frame()
        elif choice < 0.85:
            device.stats["garbage"] += 1
            reply = rng.randbytes(rng.randint(1, 512))
        else:
            device.stats["stall"] += 1
            frame = device.frame()
            reply = frame[: max(1, len(frame) // 2)]
        try:
            device.sock.sendto(reply, source)
            device.stats["bytes_out"] += len(reply)
        except OSError:
            pass

    # ---- the loop --------------------------------------------------------------------------
    def timers(self):
        t = now_ms()
        rng = self.rng
        for device in self.devices:
            if device.sock is None and t >= device.reopen_at:
                if not self.open(device):
                    device.reopen_at = t + 200
            if device.sock is not None and t >= device.next_refusal:
                device.next_refusal = t + rng.uniform(5000, 20000)
                # Refusals only once the device has been taken at least once: a refused connect
                # holds a device back for its whole reconnect wait.
                if rng.random() < 0.3 and (device.link == "udp" or device.stats["accepts"] > 0):
                    self.close_listener(device, rng.uniform(1000, 4000))
            for conn in list(device.conns.values()):
                self.tick_conn(device, conn, t)

    def report(self):
        for device in self.devices:
            for conn in list(device.conns.values()):
                self.drop(device, conn)
            fields = " ".join("%s=%d" % item for item in sorted(device.stats.items()))
            print("STAT %s %s" % (device.name, fields))
            for start, end in device.stalls:
                print("STALL %s %d %d" % (device.name, start, end))
        print("END", flush=True)

    def run(self):
        stdin = sys.stdin.buffer
        os.set_blocking(stdin.fileno(), False)
        self.selector.register(stdin, selectors.EVENT_READ, ("stdin",))
        line = b""
        while True:
            for key, _ in self.selector.select(timeout=0.01):
                what = key.data
                if what[0] == "stdin":
                    data = stdin.read()
                    if not data:
                        return
                    line += data
                    if b"STOP" in line:
                        return
                elif what[0] == "listen":
                    device = what[1]
                    if device.link == "udp":
                        self.datagram(device)
                    else:
                        self.accept(device)
                else:
                    self.readable(what[1], what[2])
            self.timers()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("devices", nargs="+")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    peer = Peer(rng)
    for spec in args.devices:
        name, link, rest = spec.split(":", 2)
        frames, skip = rest.rsplit(":", 1)
        device = Device(name, link, load_frames(frames, int(skip)), rng)
        if not device.frames or not peer.open(device):
            print("ERROR %s" % name, flush=True)
            return 1
        peer.devices.append(device)
        print("PORT %s %d" % (name, device.port))
    print("READY", flush=True)
    try:
        peer.run()
    finally:
        peer.report()
    return 0


if __name__ == "__main__":
    sys.exit(main())
