#!/bin/sh
# The certificate authority of the security tests, run by them (under Wine,
# as a Unix program) with Debian's openssl command. In the folder given:
#   spkac.txt   "SPKAC=" and the signed public key a form generated (input)
#   verify.txt  what openssl says of that signature
#   ca.pem      a self-signed authority
#   client.der  a certificate from ca for the key in spkac.txt
#   other.der   a certificate from ca for a key of its own
#   chain2.pem  an intermediate and its root, a different root under ca's subject
set -e
cd "$1"
openssl req -new -x509 -newkey rsa:2048 -nodes -keyout ca.key -subj "/O=Zintu Test/CN=Zintu Test CA" \
  -days 3650 -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=keyCertSign,cRLSign" \
  -out ca.pem 2>/dev/null
issue() { # public-key-file subject out.der
  openssl req -new -key ca.key -subj "$2" 2>/dev/null |
    openssl x509 -req -CA ca.pem -CAkey ca.key -CAcreateserial -days 365 -force_pubkey "$1" \
      -outform DER -out "$3" 2>/dev/null
}
if [ -f spkac.txt ]; then
  openssl spkac -in spkac.txt -verify -noout >verify.txt 2>&1 || true
  openssl spkac -in spkac.txt -pubkey -noout >client-pub.pem 2>/dev/null
  issue client-pub.pem "/O=Zintu Test/CN=Form Key Holder" client.der
fi
openssl genrsa -out other.key 1024 2>/dev/null
openssl rsa -in other.key -pubout -out other-pub.pem 2>/dev/null
issue other-pub.pem "/CN=Somebody Else" other.der
# Same subject as ca, another key: the intermediate it issues comes with it.
openssl req -new -x509 -newkey rsa:2048 -nodes -keyout ca2.key -subj "/O=Zintu Test/CN=Zintu Test CA" \
  -days 3650 -addext "basicConstraints=critical,CA:TRUE" -out ca2.pem 2>/dev/null
printf '[v3]\nbasicConstraints=critical,CA:TRUE\n' >inter2.ext
openssl req -new -newkey rsa:2048 -nodes -keyout inter2.key -subj "/O=Zintu Test/CN=Zintu Test Intermediate 2" 2>/dev/null |
  openssl x509 -req -CA ca2.pem -CAkey ca2.key -CAcreateserial -days 365 -extfile inter2.ext -extensions v3 \
    -out inter2.pem 2>/dev/null
cat inter2.pem ca2.pem >chain2.pem
touch done
