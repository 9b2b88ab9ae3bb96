#!/usr/bin/env bash
# Measures the start page as new visitors (no cookie) see it: quorax-server
# against nginx serving the same bytes as a static file, with wrk and 50
# connections each; then a run of 200,000+ requests on a fresh server, in
# windows, to show the rate holds once the session table is full.
#
# Usage: bench/start_page_vs_nginx.sh [BUILD_DIR]   (default: build)
# The build must be configured with -DQUORAX_SETTINGS_FILE=<a path the bench
# may write>; the bench writes a Debug=Y settings file there. The start page
# needs no database. Needs nginx, wrk and curl (apt-get install nginx wrk curl).
# Environment: QUORAX_BENCH_PORT (18080) and NGINX_BENCH_PORT (18081),
# BENCH_SECONDS (10) per comparison run, WINDOW_SECONDS (3) per window,
# CAP_REQUESTS (200000) for the long run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
qport=${QUORAX_BENCH_PORT:-18080}
nport=${NGINX_BENCH_PORT:-18081}
seconds=${BENCH_SECONDS:-10}
window=${WINDOW_SECONDS:-3}
cap_requests=${CAP_REQUESTS:-200000}
server="$build/src/web/quorax-server"
marker="# Written by bench/start_page_vs_nginx.sh."

for tool in nginx wrk curl; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is not installed" >&2; exit 2; }
done
[[ -x "$server" ]] || { echo "bench: build quorax-server in $build first" >&2; exit 2; }
settings=$(sed -n 's/^QUORAX_SETTINGS_FILE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [[ -e "$settings" && "$(head -n 1 "$settings")" != "$marker" ]]; then
  echo "bench: $settings exists and was not written by the bench; configure" \
    "the build with -DQUORAX_SETTINGS_FILE=<a scratch path>" >&2
  exit 2
fi
mkdir -p "$(dirname "$settings")"
printf '%s\nBaseDir=/\nDebug=Y\nBuildVer=bench\nBuildDate=01/01/2000\n' "$marker" >"$settings"

work=$(mktemp -d /tmp/start-page-bench-XXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {
  for _ in $(seq 100); do curl -sf -o /dev/null "$1" && return 0; sleep 0.1; done
  echo "bench: nothing answers at $1" >&2
  exit 1
}

start_quorax() {
  "$server" --listen "127.0.0.1:$qport" --templates "$root/templates" >"$work/quorax.log" 2>&1 &
  quorax_pid=$!
  pids+=("$quorax_pid")
  wait_for "http://127.0.0.1:$qport/Quorax.asp"
}

stop_quorax() {
  kill "$quorax_pid"
  wait "$quorax_pid" 2>/dev/null || true
}

# Prints "REQUESTS RATE NON_2XX" of one wrk run: run_wrk URL SECONDS.
run_wrk() {
  local out
  out=$(wrk -t2 -c50 -d"$2s" "$1")
  local requests rate errors
  requests=$(awk '/requests in/ {print $1}' <<<"$out")
  rate=$(awk '/Requests\/sec/ {print $2}' <<<"$out")
  errors=$(awk '/Non-2xx/ {print $NF}' <<<"$out")
  echo "$requests $rate ${errors:-0}"
}

start_quorax
quorax_url="http://127.0.0.1:$qport/Quorax.asp"
mkdir -p "$work/www"
curl -sf -o "$work/www/Quorax.asp" "$quorax_url"
content_type=$(curl -sf -o /dev/null -w '%{content_type}' "$quorax_url")
cat >"$work/nginx.conf" <<CONF
worker_processes auto;
user $(id -un);
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/tmp;
  proxy_temp_path $work/tmp;
  fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp;
  scgi_temp_path $work/tmp;
  server {
    listen 127.0.0.1:$nport;
    root $work/www;
    location / { types { } default_type "$content_type"; }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' 2>>"$work/nginx-error.log" &
pids+=("$!")
nginx_url="http://127.0.0.1:$nport/Quorax.asp"
wait_for "$nginx_url"
cmp -s "$work/www/Quorax.asp" <(curl -sf "$nginx_url") || { echo "bench: nginx bytes differ" >&2; exit 1; }
echo "start page: $(wc -c <"$work/www/Quorax.asp") bytes, $content_type"

# The long run first, on the fresh server: windows until the cap is well past.
echo "quorax, fresh server, a 1s window then ${window}s windows until $cap_requests requests:"
total=0
first_rate=""
while ((total < cap_requests)); do
  # The first window is short, so that most of it comes before the cap.
  read -r requests rate errors < <(run_wrk "$quorax_url" "$([[ -z $first_rate ]] && echo 1 || echo "$window")")
  total=$((total + requests))
  first_rate=${first_rate:-$rate}
  last_rate=$rate
  echo "  $requests requests (total $total): $rate req/s, non-2xx: $errors"
done
awk -v f="$first_rate" -v l="$last_rate" \
  'BEGIN {printf "first window %.0f req/s, last window %.0f req/s, change %+.1f%%\n", f, l, (l - f) / f * 100}'

# The comparison, with the session table full.
read -r _ quorax_rate quorax_errors < <(run_wrk "$quorax_url" "$seconds")
read -r _ nginx_rate _ < <(run_wrk "$nginx_url" "$seconds")
echo "quorax (table full): $quorax_rate req/s (non-2xx: $quorax_errors)"
echo "nginx (static file): $nginx_rate req/s"
awk -v q="$quorax_rate" -v n="$nginx_rate" 'BEGIN {printf "quorax / nginx: %.2f\n", q / n}'
stop_quorax
