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

# Export suites (RC4 and RC2 with 40-bit keys and MD5, 40-bit DES with
# SHA-1): the key block holds the MAC secrets and 5 bytes of key material a
# side; the final keys and IVs come from the TLS 1.0 PRF with the labels
# "client write key", "server write key" and "IV block". The answer is each
# side's encryption of the first 16 bytes of the data, and the MAC secrets.
enc() {  # cipher key-hex iv-hex: the first 16 bytes of the data
  local ivopt=()
  [ -n "$3" ] && ivopt=(-iv "$3")
  echo "${data:0:32}" | xxd -r -p | openssl enc "-$1" -provider legacy -provider default -nopad -K "$2" \
    "${ivopt[@]}" | xxd -p | tr -d '\n'
}
tls_export() {  # name cipher mac-size key-length iv-length
  local m=$3 k=$4 v=$5 e=5 block ckey skey ivs civ='' siv=''
  block=$(prf $((2 * (m + e))) "$tls_master" "key expansion" "$sr$cr")
  ckey=$(prf "$k" "${block:$((4 * m)):$((2 * e))}" "client write key" "$cr$sr")
  skey=$(prf "$k" "${block:$((4 * m + 2 * e)):$((2 * e))}" "server write key" "$cr$sr")
  if [ "$v" -gt 0 ]; then
    ivs=$(prf $((2 * v)) "" "IV block" "$cr$sr")
    civ=${ivs:0:$((2 * v))}
    siv=${ivs:$((2 * v)):$((2 * v))}
  fi
  echo "tls.export.$1.block $block"
  echo "tls.export.$1.client $(enc "$2" "$ckey" "$civ")"
  echo "tls.export.$1.server $(enc "$2" "$skey" "$siv")"
}
ssl3_export() {  # name cipher mac-size key-length iv-length: keys and IVs from MD5
  local m=$3 k=$4 v=$5 block ckey skey civ='' siv=''
  block=$(awk -v n="ssl3.export.$1.block" '$1 == n {print $2}' "$out.ssl3")
  md5() { echo "$1" | xxd -r -p | openssl md5 -binary | xxd -p | tr -d '\n'; }
  ckey=$(md5 "${block:$((4 * m)):10}$cr$sr")
  skey=$(md5 "${block:$((4 * m + 10)):10}$sr$cr")
  if [ "$v" -gt 0 ]; then
    civ=$(md5 "$cr$sr")
    siv=$(md5 "$sr$cr")
  fi
  echo "ssl3.export.$1.client $(enc "$2" "${ckey:0:$((2 * k))}" "${civ:0:$((2 * v))}")"
  echo "ssl3.export.$1.server $(enc "$2" "${skey:0:$((2 * k))}" "${siv:0:$((2 * v))}")"
}

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
for name, m in (("rc4md5", 16), ("rc2md5", 16), ("dessha", 20)):
    print("ssl3.export.%s.block" % name, prf(2 * (m + 5), master, sr + cr).hex())
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
  tls_export rc4md5 rc4 16 16 0
  tls_export rc2md5 rc2-cbc 16 16 8
  tls_export dessha des-cbc 20 8 8
  ssl3_export rc4md5 rc4 16 16 0
  ssl3_export rc2md5 rc2-cbc 16 16 8
  ssl3_export dessha des-cbc 20 8 8
} > "$out"
rm -f "$out.ssl3"
