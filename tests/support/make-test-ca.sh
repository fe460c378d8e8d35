#!/bin/sh
# Makes a throw-away certificate authority and a server certificate signed by
# it, for the fake AI service's TLS endpoint. The server certificate names the
# AI service's host, localhost and 127.0.0.1.
set -eu
out=$1
mkdir -p "$out"
cd "$out"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
    -keyout ca-key.pem -out ca.pem -subj "/CN=Pexilo Test Authority" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -sha256 \
    -keyout server-key.pem -out server.csr -subj "/CN=api.openai.com" 2>/dev/null
cat > server.ext <<EXT
subjectAltName=DNS:api.openai.com,DNS:localhost,IP:127.0.0.1
basicConstraints=CA:FALSE
keyUsage=digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
EXT
openssl x509 -req -sha256 -days 3650 -in server.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial \
    -extfile server.ext -out server.pem 2>/dev/null
rm -f server.csr server.ext ca.srl
