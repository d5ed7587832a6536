#!/usr/bin/python3
"""A TLS 1.0 web server of our own, for what no real server can be made to
do: send a Finished whose verify data is wrong (under a correct MAC), ask
for a new handshake with a HelloRequest once the request has arrived, run
an export suite (no server on the machine has one), or answer with another
compression method. It is written from the protocol's definition: RSA key
exchange, the suites that only authenticate (NULL-SHA, NULL-MD5) and 40-bit
RC4 with MD5 with its signed temporary RSA key, the PRF of MD5 and SHA-1.

Usage: tls10_server.py PORT DIR

It serves the files of tests/security/data/https over HTTP/1.0 with the
test certificate for 127.0.0.1. Each connection reads DIR/mode (lines of
"key value"):

  tamper finished   the server's Finished carries one changed byte
  renegotiate       a HelloRequest follows the request; the reply goes out
                    under the keys of the second handshake
  export            choose EXP-RC4-MD5 (0x0003) and send a ServerKeyExchange
                    with a 512-bit key signed by the certificate's key
  key-exchange V    with export: "none" sends no ServerKeyExchange,
                    "tampered" one whose signature does not match
  compression N     the ServerHello names compression method N
  warn N            a warning alert of description N goes before the reply
  push-reply 1      the reply follows the server's Finished at once, before
                    any request

What it saw goes to DIR/server.log, one line per event, for the tests.
"""
import hashlib
import hmac
import os
import struct
import sys

from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms

from own_server import Closed, SocketReader, log, read_mode, reply_for, run

CHANGE_CIPHER_SPEC, ALERT, HANDSHAKE, APPLICATION_DATA = 20, 21, 22, 23
HELLO_REQUEST, CLIENT_HELLO, SERVER_HELLO, CERTIFICATE = 0, 1, 2, 11
SERVER_KEY_EXCHANGE, SERVER_HELLO_DONE, CLIENT_KEY_EXCHANGE, FINISHED = 12, 14, 16, 20
VERSION = b"\x03\x01"
SUITES = {0x0002: (hashlib.sha1, 20), 0x0001: (hashlib.md5, 16)}  # NULL-SHA, NULL-MD5
EXPORT_RC4_MD5 = 0x0003

def p_hash(digest, secret, seed, length):
    out, a = b"", seed
    while len(out) < length:
        a = hmac.new(secret, a, digest).digest()
        out += hmac.new(secret, a + seed, digest).digest()
    return out[:length]


def prf(secret, label, seed, length):
    half = (len(secret) + 1) // 2
    md5 = p_hash(hashlib.md5, secret[:half], label + seed, length)
    sha = p_hash(hashlib.sha1, secret[len(secret) - half:], label + seed, length)
    return bytes(x ^ y for x, y in zip(md5, sha))


class Direction:
    def __init__(self):
        self.secret = None
        self.digest = None
        self.sequence = 0
        self.cipher = None  # a stream cipher's encryptor or decryptor

    def mac(self, content_type, data):
        header = struct.pack(">QB2sH", self.sequence, content_type, VERSION, len(data))
        return hmac.new(self.secret, header + data, self.digest).digest()


class Connection(SocketReader):
    def __init__(self, sock, folder):
        SocketReader.__init__(self, sock)
        self.folder = folder
        self.inbound, self.outbound = Direction(), Direction()
        self.pending_in = self.pending_out = None
        self.handshake = b""  # messages not yet taken
        self.transcript = b""

    def read_record(self):
        content_type, _, length = struct.unpack(">B2sH", self.recv_exact(5))
        data = self.recv_exact(length)
        d = self.inbound
        if d.secret:
            if d.cipher:
                data = d.cipher.update(data)
            size = d.digest().digest_size
            data, mac = data[:-size], data[-size:]
            if not hmac.compare_digest(mac, d.mac(content_type, data)):
                log(self.folder, "bad MAC")
                raise Closed()
            d.sequence += 1
        if content_type == ALERT:
            log(self.folder, "alert level %d description %d" % (data[0], data[1]))
            raise Closed()
        if content_type == CHANGE_CIPHER_SPEC:
            self.inbound, self.pending_in = self.pending_in, None
        return content_type, data

    def write_record(self, content_type, data):
        d = self.outbound
        if d.secret:
            data = data + d.mac(content_type, data)
            if d.cipher:
                data = d.cipher.update(data)
            d.sequence += 1
        self.sock.sendall(struct.pack(">B2sH", content_type, VERSION, len(data)) + data)
        if content_type == CHANGE_CIPHER_SPEC:
            self.outbound, self.pending_out = self.pending_out, None

    def read_message(self):
        while len(self.handshake) < 4 or len(self.handshake) < 4 + int.from_bytes(self.handshake[1:4], "big"):
            content_type, data = self.read_record()
            if content_type == CHANGE_CIPHER_SPEC:
                continue
            if content_type != HANDSHAKE:
                raise Closed()
            self.handshake += data
        length = int.from_bytes(self.handshake[1:4], "big")
        message, self.handshake = self.handshake[:4 + length], self.handshake[4 + length:]
        return message

    def read_client_hello(self):
        """The first hello may come in SSL 2.0 format: its client random is
        the challenge, right-aligned in 32 bytes."""
        if not self.inbound.secret:
            first = self.peek(1)
            if first[0] & 0x80:
                header = self.recv_exact(2)
                message = self.recv_exact(((header[0] & 0x7F) << 8) | header[1])
                version, specs_len, sid_len, challenge_len = struct.unpack(">HHHH", message[1:9])
                specs = message[9:9 + specs_len]
                challenge = message[9 + specs_len + sid_len:9 + specs_len + sid_len + challenge_len]
                suites = [int.from_bytes(specs[i + 1:i + 3], "big") for i in range(0, len(specs), 3)
                          if specs[i] == 0]
                log(self.folder, "hello in SSL 2.0 format version %04x" % version)
                return message, challenge.rjust(32, b"\0"), suites
        message = self.read_message()
        body = message[4:]
        random = body[2:34]
        sid_len = body[34]
        at = 35 + sid_len
        suites_len = int.from_bytes(body[at:at + 2], "big")
        suites = [int.from_bytes(body[at + 2 + i:at + 4 + i], "big") for i in range(0, suites_len, 2)]
        log(self.folder, "hello version %s session id %d" % (body[:2].hex(), sid_len))
        return message, random, suites


def handshake_message(message_type, body):
    return struct.pack(">B", message_type) + len(body).to_bytes(3, "big") + body


def sign_hashes(key, data):
    """RSA with the private key over MD5(data) and SHA-1(data), in a PKCS #1
    block of type 1 without a digest header."""
    numbers = key.private_numbers()
    n, d = numbers.public_numbers.n, numbers.d
    size = (n.bit_length() + 7) // 8
    hashes = hashlib.md5(data).digest() + hashlib.sha1(data).digest()
    block = b"\x00\x01" + b"\xff" * (size - 3 - len(hashes)) + b"\x00" + hashes
    return pow(int.from_bytes(block, "big"), d, n).to_bytes(size, "big")


def vector16(data):
    return len(data).to_bytes(2, "big") + data


def run_handshake(c, certificate, key, mode):
    hello, client_random, offered = c.read_client_hello()
    export = bool(mode.get("export"))
    if export:
        suite = EXPORT_RC4_MD5 if EXPORT_RC4_MD5 in offered else None
    else:
        suite = next((s for s in SUITES if s in offered), None)
    if suite is None:
        c.write_record(ALERT, b"\x02\x28")
        raise Closed()
    digest, mac_size = SUITES[suite] if not export else (hashlib.md5, 16)
    server_random = os.urandom(32)
    session_id = os.urandom(32)
    transcript = hello
    flight = handshake_message(SERVER_HELLO, VERSION + server_random + bytes([32]) + session_id +
                               struct.pack(">HB", suite, int(mode.get("compression", "0"))))
    flight += handshake_message(CERTIFICATE, (len(certificate) + 3).to_bytes(3, "big") +
                                len(certificate).to_bytes(3, "big") + certificate)
    exchange_key = key
    if export and mode.get("key-exchange") != "none":
        exchange_key = rsa.generate_private_key(public_exponent=65537, key_size=512)
        public = exchange_key.public_key().public_numbers()
        params = vector16(public.n.to_bytes(64, "big")) + vector16(public.e.to_bytes(3, "big"))
        signature = bytearray(sign_hashes(key, client_random + server_random + params))
        if mode.get("key-exchange") == "tampered":
            signature[-1] ^= 1
        flight += handshake_message(SERVER_KEY_EXCHANGE, params + vector16(bytes(signature)))
        log(c.folder, "export key exchange")
    flight += handshake_message(SERVER_HELLO_DONE, b"")
    transcript += flight
    c.write_record(HANDSHAKE, flight)

    exchange = c.read_message()
    transcript += exchange
    encrypted = exchange[6:6 + int.from_bytes(exchange[4:6], "big")]
    pre_master = exchange_key.decrypt(encrypted, padding.PKCS1v15())
    master = prf(pre_master, b"master secret", client_random + server_random, 48)
    c.pending_in, c.pending_out = Direction(), Direction()
    c.pending_in.digest = c.pending_out.digest = digest
    if export:
        # Five bytes of key material a side, made into 16-byte keys.
        block = prf(master, b"key expansion", server_random + client_random, 2 * (mac_size + 5))
        material = block[2 * mac_size:]
        randoms = client_random + server_random
        client_key = prf(material[:5], b"client write key", randoms, 16)
        server_key = prf(material[5:10], b"server write key", randoms, 16)
        c.pending_in.cipher = Cipher(algorithms.ARC4(client_key), mode=None).decryptor()
        c.pending_out.cipher = Cipher(algorithms.ARC4(server_key), mode=None).encryptor()
    else:
        block = prf(master, b"key expansion", server_random + client_random, 2 * mac_size)
    c.pending_in.secret, c.pending_out.secret = block[:mac_size], block[mac_size:2 * mac_size]

    finished = c.read_message()
    expected = prf(master, b"client finished",
                   hashlib.md5(transcript).digest() + hashlib.sha1(transcript).digest(), 12)
    log(c.folder, "client finished %s" % ("good" if finished[4:] == expected else "bad"))
    transcript += finished
    verify = bytearray(prf(master, b"server finished",
                           hashlib.md5(transcript).digest() + hashlib.sha1(transcript).digest(), 12))
    if mode.get("tamper") == "finished":
        verify[0] ^= 1
    c.write_record(CHANGE_CIPHER_SPEC, b"\x01")
    c.write_record(HANDSHAKE, handshake_message(FINISHED, bytes(verify)))


def read_request(c):
    request = b""
    while b"\r\n\r\n" not in request:
        content_type, data = c.read_record()
        if content_type != APPLICATION_DATA:
            raise Closed()
        request += data
    return request.split(b"\r\n", 1)[0].decode("latin-1")


def serve(sock, folder, certificate, key):
    mode = read_mode(folder)
    c = Connection(sock, folder)
    run_handshake(c, certificate, key, mode)
    if mode.get("push-reply"):
        log(folder, "reply pushed")
        c.write_record(APPLICATION_DATA, b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                         b"<html><head><title>Pushed</title></head></html>")
    line = read_request(c)
    if mode.get("warn"):
        c.write_record(ALERT, bytes([1, int(mode["warn"])]))
    if mode.get("renegotiate"):
        c.write_record(HANDSHAKE, handshake_message(HELLO_REQUEST, b""))
        run_handshake(c, certificate, key, mode)
        log(folder, "renegotiated")
    c.write_record(APPLICATION_DATA, reply_for(folder, line))
    c.write_record(ALERT, b"\x01\x00")


if __name__ == "__main__":
    run(int(sys.argv[1]), sys.argv[2], serve)
