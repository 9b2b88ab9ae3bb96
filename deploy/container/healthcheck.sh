#!/bin/bash
# The image's health check: exits 0 when the server's plain listener (the
# address the entry wrote) answers GET /healthz with 200, else 1. It never
# asks the database, so a database outage does not restart the server.
address=$(cat /run/quorax/health-address 2>/dev/null) || exit 1
host=${address%:*}
host=${host#[}
host=${host%]}
exec 3<>"/dev/tcp/$host/${address##*:}" 2>/dev/null || exit 1
printf 'GET /healthz HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n' "$address" >&3
IFS= read -r -t 5 status <&3 || exit 1
[[ $status == "HTTP/1.1 200 "* ]]
