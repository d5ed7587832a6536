#!/usr/bin/env bash
# Regenerates the secure-connection tests' fixtures with the openssl
# command: a test authority, a server certificate for 127.0.0.1 that it
# signed, one for another name, two for 127.0.0.1 with small keys (512 and
# 768 bits, which lower a connection's level), and the page the test server
# serves; beside them an authority of clients and a client certificate it
# signed, with its key (DER), for the servers that ask for one. The
# output is committed; run again only to change it ("client" as the argument
# makes the client's files alone).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/tests/security/data/https
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
days=7300
client() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout client-ca.key -out client-ca.pem -days $days -sha256 \
    -subj "/O=Zintu Test/CN=Zintu Test Client Authority" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=keyCertSign,cRLSign" 2>/dev/null
  openssl req -newkey rsa:1024 -nodes -keyout client.key -out client.csr \
    -subj "/O=Zintu Test/CN=Zintu Test Client" 2>/dev/null
  openssl x509 -req -in client.csr -CA client-ca.pem -CAkey client-ca.key -CAcreateserial -days $days -sha256 \
    -out client.pem 2>/dev/null
  cp client-ca.pem "$out/client-ca.pem"
  openssl x509 -in client-ca.pem -outform DER -out "$out/client-ca.der"
  openssl x509 -in client.pem -outform DER -out "$out/client.der"
  openssl rsa -in client.key -outform DER -out "$out/client-key.der" 2>/dev/null
}
client
[ "${1:-}" = client ] && exit 0
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days $days -sha256 \
  -subj "/O=Zintu Test/CN=Zintu Test Authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=keyCertSign,cRLSign" 2>/dev/null
for cert in 127.0.0.1:2048 wrong.example:2048 127.0.0.1-768:768 127.0.0.1-512:512; do
  name=${cert%:*} bits=${cert#*:}
  openssl req -newkey "rsa:$bits" -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/O=Zintu Test/CN=${name%-*}" 2>/dev/null
  openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days $days -sha256 \
    -out "$name.pem" 2>/dev/null
  cp "$name.pem" "$out/$name.pem"
  cp "$name.key" "$out/$name.key"
done
openssl x509 -in ca.pem -outform DER -out "$out/ca.der"
printf '<html><head><title>Secure test page</title></head><body>Over TLS</body></html>\n' > "$out/page.html"
