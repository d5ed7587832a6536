#!/usr/bin/python3
"""An SSL 2.0 web server for the tests, written from the protocol's own
definition (record headers, the six handshake messages, the MD5 key
material, MACs before the data) so that the client is checked against a
reading that is not its own. No other SSL 2.0 server exists on the machine.

Usage: ssl2_server.py PORT DIR

It serves the files of tests/security/data/https over HTTP/1.0 with the
test certificate for 127.0.0.1. Each connection reads DIR/mode (lines of
"key value") to choose its behaviour:

  kinds 010080 0700c0   cipher kinds the server runs, in hex (default both)
  tamper verify         SERVER-VERIFY carries the challenge with one byte
                        changed
  drop-above 0300       close the socket at once when the CLIENT-HELLO
                        announces a version above this one
  request-certificate   send REQUEST-CERTIFICATE (authentication type 1)
  own-kinds             answer with the server's kinds even when the client
                        offered none of them (as a server that speaks only
                        SSL 2.0 does)

Sessions are kept for the life of the server: a CLIENT-HELLO that offers
the id of one gets a SERVER-HELLO with the session-id hit (no certificate,
no cipher kinds) and the keys come from the session's master key.

What it saw goes to DIR/server.log, one line per event, for the tests.
"""
import hashlib
import os
import struct
import sys
import threading

from cryptography import x509
from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.asymmetric import padding
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

from own_server import Closed, SocketReader, log, read_mode, reply_for, run

RC4_128_WITH_MD5 = bytes.fromhex("010080")
DES_192_EDE3_CBC_WITH_MD5 = bytes.fromhex("0700c0")
KINDS = {RC4_128_WITH_MD5: (16, 0), DES_192_EDE3_CBC_WITH_MD5: (24, 8)}  # key length, IV length

MT_ERROR, MT_CLIENT_HELLO, MT_CLIENT_MASTER_KEY, MT_CLIENT_FINISHED = 0, 1, 2, 3
MT_SERVER_HELLO, MT_SERVER_VERIFY, MT_SERVER_FINISHED, MT_REQUEST_CERTIFICATE = 4, 5, 6, 7
MT_CLIENT_CERTIFICATE = 8

# session id -> (cipher kind, master key, key argument)
SESSIONS = {}
SESSIONS_LOCK = threading.Lock()


class Direction:
    """One direction's cipher, MAC secret and sequence number. The sequence
    number counts every record, the ones sent in the clear too."""

    def __init__(self):
        self.sequence = 0
        self.cipher = None
        self.secret = None
        self.block = 1

    def start(self, kind, key, iv, encrypt):
        if kind == RC4_128_WITH_MD5:
            c = Cipher(algorithms.ARC4(key), mode=None)
        else:
            c = Cipher(algorithms.TripleDES(key), modes.CBC(iv))
            self.block = 8
        self.cipher = c.encryptor() if encrypt else c.decryptor()
        self.secret = key

    def mac(self, data, padding):
        seq = struct.pack(">I", self.sequence & 0xFFFFFFFF)
        return hashlib.md5(self.secret + data + padding + seq).digest()


class Connection(SocketReader):
    def __init__(self, sock, folder):
        SocketReader.__init__(self, sock)
        self.folder = folder
        self.inbound = Direction()
        self.outbound = Direction()

    def read_record(self):
        header = self.recv_exact(2)
        if header[0] & 0x80:
            length = ((header[0] & 0x7F) << 8) | header[1]
            padding = 0
        else:
            length = ((header[0] & 0x3F) << 8) | header[1]
            padding = self.recv_exact(1)[0]
        body = self.recv_exact(length)
        d = self.inbound
        if d.cipher:
            plain = d.cipher.update(body)
            mac, data = plain[:16], plain[16:]
            data, pad = (data[: len(data) - padding], data[len(data) - padding:]) if padding else (data, b"")
            if mac != d.mac(data, pad):
                log(self.folder, "bad MAC")
                raise Closed()
            body = data
        d.sequence += 1
        return body

    def write_record(self, data):
        d = self.outbound
        if d.cipher:
            padding = (-(16 + len(data))) % d.block
            pad = bytes([padding]) * padding
            body = d.cipher.update(d.mac(data, pad) + data + pad)
        else:
            padding, body = 0, data
        if padding:
            header = struct.pack(">HB", len(body), padding)
        else:
            header = struct.pack(">H", len(body) | 0x8000)
        d.sequence += 1
        self.sock.sendall(header + body)


def split_fields(data, lengths):
    out, at = [], 0
    for n in lengths:
        out.append(data[at:at + n])
        at += n
    return out, data[at:]


def rsa_decrypt(key, data):
    """Raw RSA with the private key: the whole PKCS #1 block, so that the
    padding can be looked at."""
    numbers = key.private_numbers()
    n, d = numbers.public_numbers.n, numbers.d
    size = (n.bit_length() + 7) // 8
    return pow(int.from_bytes(data, "big"), d, n).to_bytes(size, "big")


def serve(sock, folder, certificate, key):
    mode = read_mode(folder)
    mode["kinds"] = [bytes.fromhex(k) for k in mode.get("kinds", "010080 0700c0").split()]
    c = Connection(sock, folder)
    hello = c.read_record()
    if hello[0] != MT_CLIENT_HELLO:
        log(folder, "not a CLIENT-HELLO")
        return
    version, specs_len, sid_len, challenge_len = struct.unpack(">HHHH", hello[1:9])
    (specs, session_id, challenge), _ = split_fields(hello[9:], (specs_len, sid_len, challenge_len))
    offered = [specs[i:i + 3] for i in range(0, len(specs), 3)]
    log(folder, "hello version %04x kinds %s challenge %d" % (
        version, " ".join(k.hex() for k in offered), len(challenge)))
    if "drop-above" in mode and version > int(mode["drop-above"], 16):
        log(folder, "dropped hello %04x" % version)
        return
    common = [k for k in mode["kinds"] if k in offered]
    if not common and mode.get("own-kinds"):
        common = mode["kinds"]
    if not common:
        log(folder, "no common cipher")
        c.write_record(struct.pack(">BH", MT_ERROR, 1))
        return
    connection_id = os.urandom(16)
    with SESSIONS_LOCK:
        session = SESSIONS.get(session_id) if session_id else None
    if session:
        kind, master_key, key_arg = session
        log(folder, "session reused kind %s" % kind.hex())
        body = struct.pack(">BBBHHHH", MT_SERVER_HELLO, 1, 0, 2, 0, 0, len(connection_id))
        c.write_record(body + connection_id)
    else:
        body = struct.pack(">BBBHHHH", MT_SERVER_HELLO, 0, 1, 2, len(certificate), 3 * len(common),
                           len(connection_id))
        c.write_record(body + certificate + b"".join(common) + connection_id)
        got = read_master_key(c, folder, key)
        if not got:
            return
        kind, master_key, key_arg = got
    key_length = KINDS[kind][0]
    material = b""
    i = 0
    while len(material) < 2 * key_length:
        material += hashlib.md5(master_key + str(i).encode() + challenge + connection_id).digest()
        i += 1
    # KEY-MATERIAL-0 is the client's read key: the server writes with it.
    server_write, server_read = material[:key_length], material[key_length:2 * key_length]
    c.outbound.start(kind, server_write, key_arg, True)
    c.inbound.start(kind, server_read, key_arg, False)

    verify = bytearray(challenge)
    if mode.get("tamper") == "verify":
        verify[0] ^= 1
    c.write_record(bytes([MT_SERVER_VERIFY]) + bytes(verify))

    finished = c.read_record()
    if finished[0] == MT_ERROR:
        log(folder, "client error %d" % struct.unpack(">H", finished[1:3]))
        return
    if finished[0] != MT_CLIENT_FINISHED or finished[1:] != connection_id:
        log(folder, "bad CLIENT-FINISHED")
        return
    if mode.get("request-certificate"):
        request_challenge = os.urandom(16)
        c.write_record(bytes([MT_REQUEST_CERTIFICATE, 1]) + request_challenge)
        answer = c.read_record()
        log(folder, "certificate answer type %d" % answer[0])
        if answer[0] == MT_CLIENT_CERTIFICATE:
            check_client_certificate(folder, answer, material[:2 * key_length] + request_challenge + certificate)
    if not session:
        session_id = os.urandom(16)
        with SESSIONS_LOCK:
            SESSIONS[session_id] = (kind, master_key, key_arg)
    c.write_record(bytes([MT_SERVER_FINISHED]) + session_id)
    log(folder, "handshake done")

    request = b""
    while b"\r\n\r\n" not in request:
        request += c.read_record()
    reply = reply_for(folder, request.split(b"\r\n", 1)[0].decode("latin-1"))
    for at in range(0, len(reply), 4000):
        c.write_record(reply[at:at + 4000])


def check_client_certificate(folder, answer, signed):
    """CLIENT-CERTIFICATE: the certificate's name, and whether its response
    is the MD5 of the key material, the request's challenge and the
    server's certificate, signed with the certificate's key as MD5 with RSA
    (PKCS #1 v1.5)."""
    cert_type, cert_len, response_len = struct.unpack(">BHH", answer[1:6])
    (cert_der, response), _ = split_fields(answer[6:], (cert_len, response_len))
    client = x509.load_der_x509_certificate(cert_der)
    name = client.subject.get_attributes_for_oid(x509.NameOID.COMMON_NAME)[0].value
    try:
        client.public_key().verify(response, signed, padding.PKCS1v15(), hashes.MD5())
        good = True
    except InvalidSignature:
        good = False
    log(folder, "client certificate type %d %s signature %s" % (cert_type, name, "good" if good else "bad"))


def read_master_key(c, folder, key):
    """CLIENT-MASTER-KEY: (kind, master key, key argument), or None."""
    master = c.read_record()
    if master[0] == MT_ERROR:
        log(folder, "client error %d" % struct.unpack(">H", master[1:3]))
        return
    if master[0] != MT_CLIENT_MASTER_KEY:
        log(folder, "expected CLIENT-MASTER-KEY, got %d" % master[0])
        return
    kind = master[1:4]
    clear_len, enc_len, arg_len = struct.unpack(">HHH", master[4:10])
    (clear, encrypted, key_arg), _ = split_fields(master[10:], (clear_len, enc_len, arg_len))
    block = rsa_decrypt(key, encrypted)
    zero = block.index(0, 2)
    if block[:2] != b"\x00\x02" or zero < 10:
        log(folder, "bad master key block")
        return
    padding = block[2:zero]
    rollback = padding[-8:] == b"\x03" * 8
    secret = block[zero + 1:]
    key_length, iv_length = KINDS[kind]
    master_key = clear + secret
    log(folder, "master key kind %s length %d key-arg %d rollback %s" % (
        kind.hex(), len(master_key), len(key_arg), "yes" if rollback else "no"))
    if len(master_key) != key_length or len(key_arg) != iv_length:
        log(folder, "bad master key length")
        return None
    return kind, master_key, key_arg


if __name__ == "__main__":
    run(int(sys.argv[1]), sys.argv[2], serve)
