#!/usr/bin/python3
"""A TLS 1.0 front for another test server: accepts TLS on 127.0.0.1 with
the test certificate for 127.0.0.1 and the authentication-only suites, and
relays the plain bytes to the server whose port is in ZINTU_NNTP_PORT.

Usage: tls_front.py PORT DIR (DIR is unused).
"""
import os
import socket
import ssl
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
CERTS = os.path.join(HERE, "..", "..", "security", "data", "https")


def relay(source, sink):
    try:
        while True:
            data = source.recv(16384)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    for s in (sink, source):
        try:
            s.close()
        except OSError:
            pass


def serve(client, context, backend_port):
    try:
        secure = context.wrap_socket(client, server_side=True)
    except (ssl.SSLError, OSError):
        client.close()
        return
    backend = socket.create_connection(("127.0.0.1", backend_port))
    threading.Thread(target=relay, args=(backend, secure), daemon=True).start()
    relay(secure, backend)


def main():
    port = int(sys.argv[1])
    backend_port = int(os.environ["ZINTU_NNTP_PORT"])
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1
    context.maximum_version = ssl.TLSVersion.TLSv1
    context.set_ciphers("NULL-SHA:NULL-MD5:@SECLEVEL=0")
    context.load_cert_chain(os.path.join(CERTS, "127.0.0.1.pem"), os.path.join(CERTS, "127.0.0.1.key"))
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(16)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, context, backend_port), daemon=True).start()


if __name__ == "__main__":
    main()
