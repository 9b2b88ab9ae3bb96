#!/bin/bash
# The container's entry. Writes the settings file from the environment, then
# runs quorax-server with the container's arguments as its options, after
# --listen 0.0.0.0:8080 and --spool-dir /var/lib/quorax/spool (the server
# takes the last of each given). Arguments that do not start with "-" are run
# as a command instead, without settings: `quorax verify FILE --url URL --user
# NAME`.
#
#   QUORAX_DSN         required: libpq connection string of the test-case
#                      database, without user or password (testers sign in
#                      with their own), e.g. "host=db port=5432 dbname=quorax"
#   QUORAX_SECURE      Y (default): addresses the pages build use https://
#   QUORAX_DEBUG       N (default); Y serves plain HTTP without the switch to
#                      HTTPS: for development only
#   QUORAX_BASE_DIR    server-relative folder of the pages (default /)
#   QUORAX_BUILD_VER   shown at the foot of every page (default: the package's version)
#   QUORAX_BUILD_DATE  shown beside it (default: the day the image was built)
set -euo pipefail

if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
  exec "$@"
fi

fail() {
  echo "quorax: $*" >&2
  exit 2
}

[ -n "${QUORAX_DSN:-}" ] ||
  fail "QUORAX_DSN is not set: give the database's connection string, e.g. -e QUORAX_DSN='host=db port=5432 dbname=quorax'"
: "${QUORAX_BUILD_VER:=$(dpkg-query -W -f='${Version}' quorax)}"
# A line break would start a settings line of its own.
for name in QUORAX_DSN QUORAX_SECURE QUORAX_DEBUG QUORAX_BASE_DIR QUORAX_BUILD_VER QUORAX_BUILD_DATE; do
  case "${!name:-}" in
    *$'\n'* | *$'\r'*) fail "$name holds a line break" ;;
  esac
done

# The server reads /etc/quorax/Quorax.cfg, which the image points here.
settings_dir=/run/quorax
umask 077
{
  echo "# Written from the QUORAX_* variables when the container started."
  echo "BaseDir=${QUORAX_BASE_DIR:-/}"
  echo "Debug=${QUORAX_DEBUG:-N}"
  echo "DSN=$QUORAX_DSN"
  echo "BuildVer=$QUORAX_BUILD_VER"
  echo "BuildDate=${QUORAX_BUILD_DATE:-}"
  echo "Secure=${QUORAX_SECURE:-Y}"
} 2>/dev/null >"$settings_dir/Quorax.cfg" ||
  fail "cannot write $settings_dir/Quorax.cfg as uid $(id -u): run as the image's user or mount a writable folder there"

# The health check asks the plain listener (the last --listen, as the server
# reads its options), on the loopback when it listens on every address.
set -- --listen 0.0.0.0:8080 --spool-dir /var/lib/quorax/spool "$@"
listen=""
for ((i = 1; i <= $#; i++)); do
  case "${!i}" in
    --listen=*) value=${!i} && listen=${value#--listen=} ;;
    --listen) next=$((i + 1)) && listen=${!next:-$listen} ;;
  esac
done
case "$listen" in
  0.0.0.0:*) listen=127.0.0.1:${listen##*:} ;;
  \[::\]:*) listen="[::1]:${listen##*:}" ;;
esac
echo "$listen" >"$settings_dir/health-address"

exec /usr/bin/quorax-server "$@"
