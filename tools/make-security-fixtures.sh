#!/usr/bin/env bash
# Regenerates the security tests' fixtures with Debian's openssl command:
# known answers of the digests, ciphers and key derivation, and small
# certificate chains. The output is committed; run again only to change it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/tests/security/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cd "$work"

hex() { od -An -v -tx1 | tr -d ' \n'; }
legacy=(-provider legacy -provider default)

# Inputs: a short text, and 70000 bytes (more than 64 KB) of byte i*7+3.
printf 'The quick brown fox jumps over the lazy dog, 0123456789' > short
python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 7 + 3) & 255 for i in range(70000)))' > big
key16=000102030405060708090a0b0c0d0e0f
key8=0123456789abcdef
key24=0123456789abcdeffedcba987654321089abcdef01234567
iv=f0e1d2c3b4a59687
salt=0102030405060708

{
  echo "short $(hex < short)"
  echo "md5.short $(openssl dgst -md5 -binary short | hex)"
  echo "sha1.short $(openssl dgst -sha1 -binary short | hex)"
  echo "md5.big $(openssl dgst -md5 -binary big | hex)"
  echo "sha1.big $(openssl dgst -sha1 -binary big | hex)"
  echo "rc4.short $(openssl enc -rc4 "${legacy[@]}" -K $key16 -in short | hex)"
  echo "rc2.short $(openssl enc -rc2-cbc "${legacy[@]}" -K $key16 -iv $iv -in short | hex)"
  echo "des.short $(openssl enc -des-cbc "${legacy[@]}" -K $key8 -iv $iv -in short | hex)"
  echo "3des.short $(openssl enc -des-ede3-cbc -K $key24 -iv $iv -in short | hex)"
  echo "des.nopad $(head -c 48 short | openssl enc -des-cbc "${legacy[@]}" -nopad -K $key8 -iv $iv | hex)"
  # Key and IV from a password: "openssl enc -P" prints them.
  for cipher in des-ede3-cbc des-cbc rc4; do
    openssl enc -$cipher "${legacy[@]}" -P -md md5 -S $salt -pass pass:secret 2>/dev/null |
      awk -v c=$cipher -F= '/^key/ {k=$2} /^iv/ {v=$2} END {print "derive." c " " tolower(k) " " tolower(v)}'
  done
} > "$out/known-answers.txt"

# Chains: root -> intermediate -> leaf, and the faulty variants.
cat > ca.cnf <<'CNF'
[ca]
default_ca = here
[here]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
copy_extensions = none
[anything]
commonName = supplied
organizationName = optional
[ca_ext]
basicConstraints = critical, CA:TRUE
keyUsage = keyCertSign, cRLSign
[not_ca_ext]
basicConstraints = critical, CA:FALSE
[leaf_ext]
basicConstraints = CA:FALSE
CNF
: > index.txt
echo 1000 > serial
key() { openssl genrsa -out "$1.key" 2048 2>/dev/null; }
csr() { openssl req -new -utf8 -key "$1.key" -subj "$2" -out "$1.csr"; }
sign() { # name issuer extension [start end]
  local dates=(-days 7300)
  [ $# -gt 3 ] && dates=(-startdate "$4" -enddate "$5")
  openssl ca -batch -config ca.cnf -notext -cert "$2.pem" -keyfile "$2.key" -extensions "$3" \
    "${dates[@]}" -in "$1.csr" -out "$1.pem" 2>/dev/null
}
key root
openssl req -new -x509 -key root.key -subj "/O=Zintu Test/CN=Zintu Test Root" -days 7300 \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=keyCertSign,cRLSign" -out root.pem
key inter; csr inter "/O=Zintu Test/CN=Zintu Test Intermediate"; sign inter root ca_ext
key leaf; csr leaf "/O=Zintu T$(printf '\xc3\xa9')st/CN=www.alpha.beta"; sign leaf inter leaf_ext
key expired; csr expired "/CN=old.alpha.beta"; sign expired inter leaf_ext 20000101000000Z 20010101000000Z
key notca; csr notca "/CN=Not An Authority"; sign notca root not_ca_ext
key under; csr under "/CN=under.alpha.beta"; sign under notca leaf_ext
# Two authorities that issue each other, and a certificate below them.
key loopa; key loopb; key looped
openssl req -new -x509 -key loopa.key -subj "/CN=Loop A" -days 7300 -out tmpa.pem
openssl req -new -x509 -key loopb.key -subj "/CN=Loop B" -days 7300 -out tmpb.pem
cross() { # name key subject issuer-cert issuer-key
  openssl req -new -key "$2.key" -subj "$3" |
    openssl x509 -req -CA "$4.pem" -CAkey "$5.key" -CAcreateserial -days 7300 -out "$1.pem" 2>/dev/null
}
cross loop-a loopa "/CN=Loop A" tmpb loopb
cross loop-b loopb "/CN=Loop B" tmpa loopa
cross looped looped "/CN=looped.alpha.beta" tmpa loopa
for name in root inter leaf expired notca under loop-a loop-b looped; do
  openssl x509 -in $name.pem -outform DER -out "$out/$name.der"
done
# The leaf with one bit of its signature turned over.
python3 - "$out/leaf.der" "$out/leaf-badsig.der" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
data[-10] ^= 0x01
open(sys.argv[2], 'wb').write(data)
PY
# A 1024-bit public key, DER SubjectPublicKeyInfo.
openssl genrsa -out small.key 1024 2>/dev/null
openssl rsa -in small.key -pubout -outform DER -out "$out/rsa1024-public.der" 2>/dev/null
# The SSL 2.0 handshake's server: a 1024-bit key with its own certificate.
openssl req -new -x509 -newkey rsa:1024 -nodes -keyout ssl2.key -subj "/CN=ssl2.alpha.beta" -days 7300 \
  -outform DER -out "$out/ssl2-server.der" 2>/dev/null
openssl pkey -in ssl2.key -outform DER -out "$out/ssl2-server-key.der"
ls -l "$out"
