#!/usr/bin/env bash
# Makes a throw-away certificate authority and a server certificate signed by it, for trying the
# server out or for tests:  make-certs.sh OUTPUT_FOLDER [HOST ...]   (default hosts: localhost,
# 127.0.0.1 and ::1). Writes ca.pem, ca.key, server.pem and server.key; point Corvix at ca.pem
# with CORVIX_CA_FILE.
set -euo pipefail
out=${1:?usage: make-certs.sh OUTPUT_FOLDER [HOST ...]}
shift
hosts=("$@")
[ ${#hosts[@]} -eq 0 ] && hosts=(localhost 127.0.0.1 ::1)
san=""
for h in "${hosts[@]}"; do
    if [[ $h =~ ^[0-9.]+$ || $h == *:* ]]; then san+="IP:$h,"; else san+="DNS:$h,"; fi
done
san=${san%,}
mkdir -p "$out"
umask 077
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Corvix test CA" \
    -keyout "$out/ca.key" -out "$out/ca.pem" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=${hosts[0]}" \
    -keyout "$out/server.key" -out "$out/server.csr" 2>/dev/null
printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$san" >"$out/server.ext"
openssl x509 -req -in "$out/server.csr" -CA "$out/ca.pem" -CAkey "$out/ca.key" -CAcreateserial \
    -days 30 -extfile "$out/server.ext" -out "$out/server.pem" 2>/dev/null
rm -f "$out/server.csr" "$out/server.ext" "$out/ca.srl"
chmod 644 "$out/ca.pem" "$out/server.pem"
