#!/usr/bin/env python3
"""A misbehaving peer for the link-fault soak, on 127.0.0.1 only.

    scripts/chaos-peer.py --seed N [--com-folder DIR] NAME:LINK:FRAMES:SKIP [...]

One listening socket per device: LINK is tcp, http (TCP that answers requests with an HTTP
response around the frames), stall (TCP whose every other connection is never read nor
closed by this side), udp, bcast (UDP broadcast on a port shared with the device) or serial
(a pseudo-terminal whose slave is the link COMn in the --com-folder, n = 1, 2 ... in the order
of the serial devices). FRAMES is a folder of files whose bytes, after the first SKIP bytes, are
valid feedback of the device's family (the fuzz seeds), or "text:A|B" for literal frames. Every
choice comes from one PRNG seeded with N, so a run can be repeated (the timing of the other side
still varies).

For each TCP connection a behaviour is drawn: accept and close at once (now and then with a
reset), stall mid-frame (half a frame, then neither read nor write for a few seconds), send
garbage, send valid-looking feedback (frames cut at random points), or stay silent. Listeners
take a small receive buffer and a small segment size: on loopback the other side's send buffer
grows to megabytes with the segment size alone, so only both together make its sends back up
within a second or two of a stall. Now and then a listener is closed for a few seconds, so that
connects are refused. A UDP socket answers a datagram with nothing, garbage, a valid frame or
half of one, and is closed now and then (the sender then learns the port is unreachable); a
bcast one answers to 255.255.255.255 from a socket of its own (to be run in a network namespace
whose broadcasts stay on lo).

A serial device draws the same behaviours each time the panel opens its port ("close" hangs the
port up at once); every such session ends in a hang-up: a new pseudo-terminal takes the place of
COMn, then the old master is closed, so that the panel's open port reports the hang-up and its
next open finds the new one. A stall stops reading, so that the panel's writes back up
("given_up" counts the ports the panel closed meanwhile). Now and then the port is unplugged for
a few seconds (COMn leads nowhere). This side does not hold the
slave open: the master reports a hang-up while the panel has the port closed, which is how the
opens are counted.

Prints "PORT NAME PORT" for every device (the COM number for a serial one), then "READY". On
"STOP" (or the end of its input) it prints "STAT NAME key=value ..." for every device, "STALL
NAME START END" for every window (in ms of CLOCK_MONOTONIC, the clock of the panel's steady
clock) in which it did not read a connection of that device, then "END", and exits.
"""
import argparse
import errno
import os
import random
import select
import selectors
import socket
import sys
import time
import tty

SMALL_RECEIVE_BUFFER = 4096
SMALL_SEGMENT = 536
TCP_LINKS = ("tcp", "http", "stall")
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
    # sock is None for a serial device's session (the device's master is its link).
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
                      "bytes_in": 0, "bytes_out": 0, "opens": 0, "hangups": 0, "given_up": 0}
        self.sources = set()
        self.next_refusal = now_ms() + rng.uniform(4000, 15000)
        # bcast: the socket the answers leave from (its own broadcasts come back to the port).
        self.reply_sock = None
        # serial: the link COMn, the master of the pseudo-terminal it leads to (None while
        # unplugged), whether the panel has the port open, and the session since it opened it.
        self.link_path = None
        self.master = None
        self.open_by_panel = False
        self.session = None

    def frame(self):
        return self.rng.choice(self.frames)

    def wrap(self, body):
        if self.link != "http":
            return body
        if body.startswith(b"HTTP/"):
            return body
        head = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % len(body)
        return head + body


def draw_behaviour(rng, first):
    """A behaviour and how long it lasts (ms) for a new connection or port session. The first
    one of every device is ended by this side soon, so that each device reconnects at least once
    even in a short run."""
    if first:
        return rng.choice(["valid", "close", "garbage"]), rng.uniform(200, 2000)
    names = [name for name, _ in BEHAVIOURS]
    weights = [weight for _, weight in BEHAVIOURS]
    behaviour = rng.choices(names, weights)[0]
    span = {"valid": (1000, 8000), "garbage": (500, 4000), "stall": (2000, 6000),
            "close": (0, 300), "silent": (1000, 6000)}[behaviour]
    return behaviour, rng.uniform(*span)


def hung_up(fd):
    """Whether the master of a pseudo-terminal reports that no one has its slave open."""
    poller = select.poll()
    poller.register(fd, select.POLLIN)
    for _, events in poller.poll(0):
        if events & (select.POLLHUP | select.POLLERR):
            return True
    return False


def relink(path, target):
    """Points the link at the target in one step: the panel never finds the port missing."""
    temporary = path + ".new"
    try:
        os.unlink(temporary)
    except FileNotFoundError:
        pass
    os.symlink(target, temporary)
    os.replace(temporary, path)


class Peer:
    def __init__(self, rng):
        self.rng = rng
        self.selector = selectors.DefaultSelector()
        self.devices = []

    # ---- sockets ---------------------------------------------------------------------------
    def open(self, device):
        if device.link == "serial":
            return self.open_pty(device)
        address = "127.0.0.1"
        if device.link in ("udp", "bcast"):
            sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            if device.link == "bcast":
                # The device binds the same port to hear the bus; broadcasts reach only sockets
                # bound to the wildcard address.
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                address = "0.0.0.0"
        else:
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            # Inherited by accepted sockets: a connection that is not read fills up soon.
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, SMALL_RECEIVE_BUFFER)
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, SMALL_SEGMENT)
        try:
            sock.bind((address, device.port))
        except OSError:
            sock.close()
            return False
        if device.link in TCP_LINKS:
            sock.listen(8)
        sock.setblocking(False)
        device.port = sock.getsockname()[1]
        device.sock = sock
        if device.link == "bcast" and device.reply_sock is None:
            reply = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            reply.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
            reply.bind(("127.0.0.1", 0))
            reply.setblocking(False)
            device.reply_sock = reply
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
        if conn.sock is None:
            self.write_port(device, data)
            return
        try:
            sent = conn.sock.send(data)
            device.stats["bytes_out"] += sent
        except BlockingIOError:
            pass
        except OSError:
            self.drop(device, conn)

    def end(self, device, conn, reset):
        if conn.sock is None:
            self.hang_up(device)
        else:
            self.drop(device, conn, reset)

    # ---- TCP -------------------------------------------------------------------------------
    def accept(self, device):
        try:
            sock, _ = device.sock.accept()
        except OSError:
            return
        sock.setblocking(False)
        device.stats["accepts"] += 1
        rng = self.rng
        if device.link == "stall":
            # Every other connection is neither read nor closed by this side: the panel's sends
            # back up until it gives the link up itself. The one in between is read as usual.
            for old in list(device.conns.values()):
                self.drop(device, old)
            if device.stats["accepts"] % 2 == 1:
                behaviour, span = "stall", float("inf")
            else:
                behaviour, span = "valid", rng.uniform(2000, 5000)
        else:
            behaviour, span = draw_behaviour(rng, device.stats["accepts"] == 1)
        conn = Conn(sock, behaviour, now_ms() + span)
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
            self.end(device, conn, reset=conn.behaviour == "close" and rng.random() < 0.5)
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
        if device.reply_sock is not None and source == device.reply_sock.getsockname():
            return  # this side's own answer, broadcast to the port it listens on
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
            if device.reply_sock is not None:
                device.reply_sock.sendto(reply, ("255.255.255.255", device.port))
            else:
                device.sock.sendto(reply, source)
            device.stats["bytes_out"] += len(reply)
        except OSError:
            pass

    # ---- serial ----------------------------------------------------------------------------
    def open_pty(self, device):
        """A new pseudo-terminal in the place of COMn; False when none could be made."""
        try:
            master, slave = os.openpty()
        except OSError:
            return False
        try:
            # No echo and no line editing before the panel sets the port up.
            tty.setraw(slave)
            name = os.ttyname(slave)
            relink(device.link_path, name)
        except OSError:
            os.close(master)
            os.close(slave)
            return False
        os.close(slave)
        os.set_blocking(master, False)
        device.master = master
        device.open_by_panel = False
        return True

    def write_port(self, device, data):
        try:
            device.stats["bytes_out"] += os.write(device.master, data)
        except OSError:
            pass  # full, or the panel closed its side: the next pass sees which

    def end_session(self, device):
        session = device.session
        if session is not None and session.stall_start is not None:
            device.stalls.append((session.stall_start, now_ms()))
        device.session = None
        device.open_by_panel = False

    def hang_up(self, device, unplug_ms=0):
        """Closes the master, so that the panel's open port reports a hang-up. The new
        pseudo-terminal is in COMn first, unless the port is unplugged for a while."""
        old = device.master
        self.end_session(device)
        device.master = None
        if unplug_ms:
            relink(device.link_path, device.link_path + ".missing")
            device.reopen_at = now_ms() + unplug_ms
            device.stats["refusal_windows"] += 1
        elif not self.open_pty(device):
            device.reopen_at = now_ms() + 200
        if old is not None:
            os.close(old)
            device.stats["hangups"] += 1

    def serial_timers(self, device, t):
        rng = self.rng
        if device.master is None:
            if t >= device.reopen_at and not self.open_pty(device):
                device.reopen_at = t + 200
            return
        closed = hung_up(device.master)
        if device.open_by_panel and closed:
            # Closed by the panel while this side did not read: its writes backed up.
            if device.session is not None and not device.session.reading:
                device.stats["given_up"] += 1
            self.end_session(device)
        elif not device.open_by_panel and not closed:
            device.open_by_panel = True
            device.stats["opens"] += 1
            behaviour, span = draw_behaviour(rng, device.stats["opens"] == 1)
            device.session = Conn(None, behaviour, t + span)
            device.stats[behaviour] += 1
            if behaviour == "stall":
                frame = device.frame()
                self.write_port(device, frame[: max(1, len(frame) // 2)])
                device.session.reading = False
                device.session.stall_start = t
        session = device.session
        if session is not None and session.reading:
            try:
                device.stats["bytes_in"] += len(os.read(device.master, 65536))
            except OSError:
                pass  # nothing waiting, or the panel just closed its side
        if session is not None:
            self.tick_conn(device, session, t)
        if device.master is not None and t >= device.next_refusal:
            device.next_refusal = t + rng.uniform(5000, 20000)
            # Unplugged only once the port has been opened: an open that fails holds a device
            # back for its whole reconnect wait.
            if rng.random() < 0.3 and device.stats["opens"] > 0:
                self.hang_up(device, rng.uniform(1000, 4000))

    # ---- the loop --------------------------------------------------------------------------
    def timers(self):
        t = now_ms()
        rng = self.rng
        for device in self.devices:
            if device.link == "serial":
                self.serial_timers(device, t)
                continue
            if device.sock is None and t >= device.reopen_at:
                if not self.open(device):
                    device.reopen_at = t + 200
            # A stalling device's connections end only when the panel gives them up.
            if device.sock is not None and t >= device.next_refusal and device.link != "stall":
                device.next_refusal = t + rng.uniform(5000, 20000)
                # Refusals only once the device has been taken at least once: a refused connect
                # holds a device back for its whole reconnect wait.
                if rng.random() < 0.3 and (device.link in ("udp", "bcast") or device.stats["accepts"] > 0):
                    self.close_listener(device, rng.uniform(1000, 4000))
            for conn in list(device.conns.values()):
                self.tick_conn(device, conn, t)

    def report(self):
        for device in self.devices:
            for conn in list(device.conns.values()):
                self.drop(device, conn)
            if device.link == "serial":
                self.end_session(device)
                if device.master is not None:
                    os.close(device.master)
                    device.master = None
                try:
                    os.unlink(device.link_path)
                except OSError:
                    pass
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
                    if device.link in ("udp", "bcast"):
                        self.datagram(device)
                    else:
                        self.accept(device)
                else:
                    self.readable(what[1], what[2])
            self.timers()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--com-folder", default=".")
    parser.add_argument("devices", nargs="+")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    peer = Peer(rng)
    com = 0
    for spec in args.devices:
        name, link, rest = spec.split(":", 2)
        frames, skip = rest.rsplit(":", 1)
        device = Device(name, link, load_frames(frames, int(skip)), rng)
        if link == "serial":
            com += 1
            device.port = com
            device.link_path = os.path.join(args.com_folder, "COM%d" % com)
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
