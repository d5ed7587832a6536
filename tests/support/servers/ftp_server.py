#!/usr/bin/python3
"""An FTP server on 127.0.0.1 for the tests (pyftpdlib), passive mode only.

Usage: ftp_server.py PORT DIR. Serves DIR/root, which it fills with the
tests' files: anonymous users read it, the user "zintu" (password
"secret") may also write to DIR/root/incoming.
"""
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def fill(root):
    os.makedirs(os.path.join(root, "pub", "sub"), exist_ok=True)
    os.makedirs(os.path.join(root, "incoming"), exist_ok=True)
    os.makedirs(os.path.join(root, "empty"), exist_ok=True)
    with open(os.path.join(root, "pub", "file.txt"), "wb") as f:
        f.write(bytes((i * 7 + i // 251) % 256 for i in range(123456)))
    # Every byte value, line ends of all kinds and a dot at a line start:
    # an image transfer must keep them all.
    with open(os.path.join(root, "pub", "bytes.bin"), "wb") as f:
        f.write(bytes(range(256)) * 3 + b"\r\n.\r\n\n.\r")
    with open(os.path.join(root, "pub", "a&b<c>.txt"), "wb") as f:
        f.write(b"x")
    old = time.mktime((1997, 12, 31, 12, 0, 0, 0, 0, -1))
    os.utime(os.path.join(root, "pub", "file.txt"), (old, old))


def main():
    port, scratch = int(sys.argv[1]), sys.argv[2]
    root = os.path.join(scratch, "root")
    fill(root)
    authorizer = DummyAuthorizer()
    authorizer.add_user("zintu", "secret", root, perm="elradfmw")
    authorizer.add_anonymous(root)

    class Handler(FTPHandler):
        banner = "Zintu test archive ready"

    Handler.authorizer = authorizer
    Handler.permit_foreign_addresses = False
    server = FTPServer(("127.0.0.1", port), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
