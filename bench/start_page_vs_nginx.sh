#!/usr/bin/env bash
# Measures the start page as new visitors (no cookie) see it: quorax-server
# against nginx serving the same bytes as a static file, with wrk and 50
# connections each. Two passes, each alternating short runs of the two so
# that a change in the machine's load touches both alike: one on a fresh
# server, and one after CAP_REQUESTS more requests, to show that the rate
# holds once the session table is full.
#
# Usage: bench/start_page_vs_nginx.sh [BUILD_DIR]   (default: build)
# The build must be configured with -DQUORAX_SETTINGS_FILE=<a path the bench
# may write>; the bench writes a Debug=Y settings file there. The start page
# needs no database. Needs nginx, wrk and curl (apt-get install nginx wrk curl).
# Environment: QUORAX_BENCH_PORT (18080) and NGINX_BENCH_PORT (18081),
# BENCH_ROUNDS (3) runs of each per pass, BENCH_SECONDS (3) per run,
# CAP_REQUESTS (200000) between the passes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
qport=${QUORAX_BENCH_PORT:-18080}
nport=${NGINX_BENCH_PORT:-18081}
rounds=${BENCH_ROUNDS:-3}
seconds=${BENCH_SECONDS:-3}
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

# One pass: runs of the two in turn; sets quorax_rate and nginx_rate to the
# average of their runs and adds quorax's requests to total.
compare() {
  local q_sum=0 n_sum=0 requests rate errors
  for ((round = 1; round <= rounds; ++round)); do
    read -r requests rate errors < <(run_wrk "$quorax_url" "$seconds")
    q_sum=$(awk -v a="$q_sum" -v b="$rate" 'BEGIN {print a + b}')
    total=$((total + requests))
    [[ $errors == 0 ]] || echo "  quorax: $errors non-2xx answers" >&2
    read -r _ rate _ < <(run_wrk "$nginx_url" "$seconds")
    n_sum=$(awk -v a="$n_sum" -v b="$rate" 'BEGIN {print a + b}')
  done
  quorax_rate=$(awk -v q="$q_sum" -v r="$rounds" 'BEGIN {printf "%.0f", q / r}')
  nginx_rate=$(awk -v n="$n_sum" -v r="$rounds" 'BEGIN {printf "%.0f", n / r}')
}

report() {
  awk -v label="$1" -v q="$2" -v n="$3" -v t="$total" \
    'BEGIN {printf "%s (%d requests so far): quorax %.0f req/s, nginx %.0f req/s, quorax / nginx %.2f\n", label, t, q, n, q / n}'
}

total=0
compare
fresh_quorax=$quorax_rate fresh_nginx=$nginx_rate
report "fresh server" "$fresh_quorax" "$fresh_nginx"
while ((total < cap_requests)); do
  read -r requests _ errors < <(run_wrk "$quorax_url" "$seconds")
  total=$((total + requests))
  [[ $errors == 0 ]] || echo "  quorax: $errors non-2xx answers" >&2
done
compare
full_quorax=$quorax_rate full_nginx=$nginx_rate
report "after $cap_requests" "$full_quorax" "$full_nginx"
awk -v f="$fresh_quorax" -v l="$full_quorax" -v fn="$fresh_nginx" -v ln="$full_nginx" \
  'BEGIN {printf "quorax from the first pass to the second: %+.1f%% (nginx %+.1f%%)\n", (l - f) / f * 100, (ln - fn) / fn * 100}'
stop_quorax
