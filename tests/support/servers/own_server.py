"""What the secure web servers of our own share (ssl2_server.py and
tls10_server.py): the test certificate for 127.0.0.1, the mode file that
sets the behaviour of the next connection, the event log the tests read,
exact reads from the socket, the page for a request, and the accept loop.
"""
import os
import socket
import threading

from cryptography import x509
from cryptography.hazmat.primitives import serialization

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.path.join(HERE, "..", "..", "security", "data", "https")

LOG_LOCK = threading.Lock()


class Closed(Exception):
    """The client closed (or reset) the connection, or the exchange ends."""


def log(folder, text):
    with LOG_LOCK, open(os.path.join(folder, "server.log"), "a") as f:
        f.write(text + "\n")


def read_mode(folder):
    """DIR/mode as a dictionary: "key value" lines, a bare key is True."""
    mode = {}
    try:
        with open(os.path.join(folder, "mode")) as f:
            for line in f:
                words = line.split()
                if words:
                    mode[words[0]] = " ".join(words[1:]) if len(words) > 1 else True
    except FileNotFoundError:
        pass
    return mode


class SocketReader:
    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def recv_exact(self, n):
        while len(self.buffer) < n:
            try:
                data = self.sock.recv(65536)
            except ConnectionResetError:  # the client closes with a reset
                data = b""
            if not data:
                raise Closed()
            self.buffer += data
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def peek(self, n):
        data = self.recv_exact(n)
        self.buffer = data + self.buffer
        return data


def reply_for(folder, request_line):
    """The HTTP/1.0 reply for the request line, from the test pages."""
    log(folder, "request " + request_line)
    words = request_line.split(" ")
    name = os.path.basename(words[1]) if len(words) > 1 else ""
    try:
        with open(os.path.join(DOCS, name or "page.html"), "rb") as f:
            return b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + f.read()
    except OSError:
        return b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnot found\n"


def run(port, folder, serve):
    """Accepts connections on 127.0.0.1:port and runs serve(sock, folder,
    certificate DER, private key) for each in a thread of its own."""
    with open(os.path.join(DOCS, "127.0.0.1.pem"), "rb") as f:
        certificate = x509.load_pem_x509_certificate(f.read()).public_bytes(serialization.Encoding.DER)
    with open(os.path.join(DOCS, "127.0.0.1.key"), "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)

    def handle(sock):
        try:
            serve(sock, folder, certificate, key)
        except (Closed, ConnectionResetError, BrokenPipeError):
            log(folder, "client closed")
        except Exception as e:  # a test server reports what went wrong and goes on
            log(folder, "failed: %r" % e)
        finally:
            sock.close()

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(8)
    while True:
        sock, _ = listener.accept()
        threading.Thread(target=handle, args=(sock,), daemon=True).start()
