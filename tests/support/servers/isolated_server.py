#!/usr/bin/python3
"""Runs a server that cannot be told to listen on 127.0.0.1 alone (it binds
every address) where loopback is the only address there is: in a network
namespace of its own. The tests reach it on 127.0.0.1:PORT of the machine
through a relay over a Unix socket in DIR, the one path that crosses the
namespace's border.

Usage: isolated_server.py PORT DIR COMMAND...
"@INNER_PORT@" in the command becomes the server's port inside the namespace.
"""
import ctypes
import os
import signal
import socket
import subprocess
import sys
import threading
import time

PR_SET_PDEATHSIG = 1


def die_with_parent():
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def relay(source, sink):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    for s in (sink, source):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def pair(client, connect):
    try:
        server = connect()
    except OSError:
        client.close()
        return
    threading.Thread(target=relay, args=(server, client), daemon=True).start()
    relay(client, server)
    client.close()
    server.close()


def serve(listener, connect):
    while True:
        client, _ = listener.accept()
        threading.Thread(target=pair, args=(client, connect), daemon=True).start()


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def inside(path, command):
    """In the namespace: loopback up, the server started, the Unix socket
    open once the server accepts."""
    die_with_parent()
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    port = free_port()
    server = subprocess.Popen([a.replace("@INNER_PORT@", str(port)) for a in command], preexec_fn=die_with_parent)
    signal.signal(signal.SIGTERM, lambda *_: (server.terminate(), os._exit(0)))
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port)).close()
            break
        except OSError:
            if server.poll() is not None:
                sys.exit(1)
            time.sleep(0.05)
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(path)
    listener.listen(16)
    serve(listener, lambda: socket.create_connection(("127.0.0.1", port)))


def outside(port, folder, command):
    path = os.path.join(folder, "relay.sock")
    child = subprocess.Popen(["unshare", "-n", "--", sys.executable, __file__, "--inside", path] + command)
    signal.signal(signal.SIGTERM, lambda *_: (child.terminate(), os._exit(0)))
    while not os.path.exists(path):
        if child.poll() is not None:
            sys.exit(1)
        time.sleep(0.05)

    def connect():
        s = socket.socket(socket.AF_UNIX)
        s.connect(path)
        return s

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)
    serve(listener, connect)


if __name__ == "__main__":
    if sys.argv[1] == "--inside":
        inside(sys.argv[2], sys.argv[3:])
    else:
        outside(int(sys.argv[1]), sys.argv[2], sys.argv[3:])
