#!/usr/bin/env bash
# Regenerates the known answers of the record layer's key derivation and
# record protection: TLS 1.0 values from the openssl command's TLS1-PRF,
# SSL 3.0 values computed from the protocol's definition, protected records
# from HMAC and the openssl command's ciphers. The output is committed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/tests/security/data/ssl-answers.txt

hexof() { python3 -c 'import sys; print(sys.argv[1].encode().hex())' "$1"; }
prf() {  # length secret-hex label seed-hex
  openssl kdf -keylen "$1" -kdfopt digest:MD5-SHA1 -kdfopt hexsecret:"$2" \
    -kdfopt hexseed:"$(hexof "$3")$4" TLS1-PRF | tr -d ':\n' | tr 'A-F' 'a-f'
}

pms=0301$(python3 -c 'print(bytes((i * 3 + 1) & 255 for i in range(46)).hex())')
odd=$(python3 -c 'print(bytes((i * 5 + 7) & 255 for i in range(47)).hex())')
cr=$(python3 -c 'print(bytes(range(0x00, 0x20)).hex())')
sr=$(python3 -c 'print(bytes(range(0x40, 0x60)).hex())')
hs=$(python3 -c 'print(b"handshake messages so far".hex())')
data=$(python3 -c 'print(b"GET / HTTP/1.0\r\n\r\n".hex())')

tls_master=$(prf 48 "$pms" "master secret" "$cr$sr")
tls_block=$(prf 104 "$tls_master" "key expansion" "$sr$cr")
hashes=$(python3 -c 'import hashlib,sys; d=bytes.fromhex(sys.argv[1]); print(hashlib.md5(d).hexdigest()+hashlib.sha1(d).hexdigest())' "$hs")

# A TLS 1.0 record of DES-EDE3-CBC with SHA-1 (client side, sequence 0):
# data, HMAC, then padding whose every byte is the padding length.
plain=$(python3 - "$tls_block" "$data" <<'PY'
import hmac, hashlib, sys
block, data = bytes.fromhex(sys.argv[1]), bytes.fromhex(sys.argv[2])
header = bytes(8) + bytes([23, 3, 1]) + len(data).to_bytes(2, "big")
mac = hmac.new(block[:20], header + data, hashlib.sha1).digest()
body = data + mac
pad = 8 - len(body) % 8
print((body + bytes([pad - 1]) * pad).hex())
PY
)
key=${tls_block:80:48}
iv=${tls_block:176:16}
tls_3des=$(echo "$plain" | xxd -r -p | openssl enc -des-ede3-cbc -nopad -K "$key" -iv "$iv" | xxd -p | tr -d '\n')

python3 - "$pms" "$cr" "$sr" "$hs" "$data" > "$out.ssl3" <<'PY'
import hashlib, sys
pms, cr, sr, hs, data = (bytes.fromhex(a) for a in sys.argv[1:6])
def prf(length, secret, seed):
    out = b""
    i = 1
    while len(out) < length:
        inner = hashlib.sha1(bytes([64 + i]) * i + secret + seed).digest()
        out += hashlib.md5(secret + inner).digest()
        i += 1
    return out[:length]
master = prf(48, pms, cr + sr)
block = prf(64, master, sr + cr)
def finished(sender):
    res = b""
    for h, n in ((hashlib.md5, 48), (hashlib.sha1, 40)):
        inner = h(hs + sender + master + b"\x36" * n).digest()
        res += h(master + b"\x5c" * n + inner).digest()
    return res
secret = block[:16]
header = bytes(8) + bytes([23]) + len(data).to_bytes(2, "big")
inner = hashlib.md5(secret + b"\x36" * 48 + header + data).digest()
mac = hashlib.md5(secret + b"\x5c" * 48 + inner).digest()
print("ssl3.master", master.hex())
print("ssl3.keyblock.rc4md5", block.hex())
print("ssl3.finished.client", finished(b"CLNT").hex())
print("ssl3.finished.server", finished(b"SRVR").hex())
print("ssl3.record.nullmd5", (data + mac).hex())
PY

{
  echo "kdf.premaster $pms"
  echo "kdf.odd $odd"
  echo "kdf.client $cr"
  echo "kdf.server $sr"
  echo "kdf.handshake $hs"
  echo "kdf.data $data"
  echo "tls.master $tls_master"
  echo "tls.master.odd $(prf 48 "$odd" "master secret" "$cr$sr")"
  echo "tls.keyblock.3dessha $tls_block"
  echo "tls.finished.client $(prf 12 "$tls_master" "client finished" "$hashes")"
  echo "tls.finished.server $(prf 12 "$tls_master" "server finished" "$hashes")"
  echo "tls.record.3dessha $tls_3des"
  cat "$out.ssl3"
} > "$out"
rm -f "$out.ssl3"
