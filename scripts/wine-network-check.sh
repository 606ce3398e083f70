#!/usr/bin/env bash
# kzrt-record.exe's network outputs under wine, on the meter simulator's
# pseudo-terminal mapped as COM1, against Debian's programs on the Linux side
# at 127.0.0.1:
#   MQTT     a broker that wants a password: the state, the discovery configs
#            and the retained availability arrive, and the last will once the
#            process is killed;
#   metrics  a bare port listens on 127.0.0.1 only; curl's scrape passes
#            promtool's lint;
#   TLS      mqtts:// to a broker with a test CA: accepted with --mqtt-ca;
#            refused with another CA, and with none (the system's roots);
#   web      the page and /metrics on one bare port (127.0.0.1 only), the
#            page behind its password and byte for byte the Linux build's,
#            a row on the live stream, a day file downloaded whole.
#   scripts/wine-network-check.sh APP_FOLDER LINUX_BUILD_DIR PRELOAD_LIBRARY WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
app_src=$1 linux=$(cd "$2" && pwd) preload=$3 work=$4
. "$here/wine-env.sh"
. "$here/local-broker.sh"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wine_stop; }
trap cleanup EXIT

wine_app_on_simulated_meter "$work" network "$app_src" "$linux"

failures=0
check() {  # description, command...
  if "${@:2}"; then echo "  ok: $1"; else echo "  FAILED: $1"; failures=$((failures + 1)); fi
}

recorder=""
record_start() {  # log, arguments...: kzrt-record.exe in the background; its id in $recorder
  local log=$1
  shift
  (cd "$app" && KZRT_MODEM_LINES=$work/network-modem-lines LD_PRELOAD=$preload \
     exec wine ./kzrt-record.exe "$@") >"$log" 2>&1 &
  recorder=$!
  pids+=("$recorder")
}

retained() {  # port: the retained messages of the meter's topics
  mosquitto_sub -h 127.0.0.1 -p "$1" -u kzrt -P 's3cret word' -F '%r %t %p' -W 2 \
    -t 'kzrt/COM1/availability' -t 'homeassistant/#' 2>/dev/null || true
}

mqtt_and_metrics() {
  echo "== MQTT and /metrics"
  local port metrics topics=$work/mqtt.txt
  port=$(free_port)
  rm -f "$work/passwords" && mosquitto_passwd -b -c "$work/passwords" kzrt 's3cret word' >/dev/null
  broker_start "$work/broker" "$port" "allow_anonymous false" "password_file $work/passwords"
  subscribe "$topics" "$port" -u kzrt -P 's3cret word' -t 'kzrt/#' -t 'homeassistant/#'
  printf 's3cret word\n' >"$app/password.txt"
  metrics=$(free_port)
  record_start "$work/record-mqtt.log" --mqtt "mqtt://kzrt@127.0.0.1:$port" --mqtt-password-file password.txt \
    --metrics "$metrics" COM1
  check "a state with readings arrives" wait_for_line "$topics" '^0 kzrt/COM1/state \{.*"voltage": ?[0-9]' 40
  # A client that subscribes now gets what the broker retained.
  retained "$port" >"$work/retained.txt"
  check "availability online, retained" grep -qx '1 kzrt/COM1/availability online' "$work/retained.txt"
  check "discovery configs, retained" grep -q '^1 homeassistant/sensor/kzrt_COM1_voltage/config {' "$work/retained.txt"
  check "/metrics listens on 127.0.0.1 only" listens_on_loopback "$metrics"
  curl -fsS "http://127.0.0.1:$metrics/metrics" >"$work/metrics.txt" || true
  check "the scrape passes promtool" eval "promtool check metrics <'$work/metrics.txt' >'$work/promtool.log' 2>&1"
  check "the scrape has the meter's voltage" grep -qE '^kzrt_voltage_volts\{meter="COM1"\} [0-9]' "$work/metrics.txt"
  kill -KILL "$recorder"
  check "the last will says offline once killed" wait_for_line "$topics" '^0 kzrt/COM1/availability offline$' 15
  retained "$port" >"$work/retained.txt"
  check "and stays retained" grep -qx '1 kzrt/COM1/availability offline' "$work/retained.txt"
  [ "$failures" -eq 0 ] || { tr -d '\r' <"$work/record-mqtt.log" | tail -n 5; tail -n 5 "$topics"; }
}

# A test CA, a broker certificate from it for 127.0.0.1, and a second CA that
# signed nothing.
make_certificates() {  # dir
  local dir=$1
  mkdir -p "$dir"
  for ca in ca other-ca; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=kzrt $ca" \
      -keyout "$dir/$ca.key" -out "$dir/$ca.pem" 2>/dev/null
  done
  openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$dir/broker.key" -out "$dir/broker.csr" 2>/dev/null
  printf 'subjectAltName=IP:127.0.0.1\n' >"$dir/broker.ext"
  openssl x509 -req -in "$dir/broker.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial -days 2 \
    -extfile "$dir/broker.ext" -out "$dir/broker.pem" 2>/dev/null
}

tls() {
  echo "== mqtts://"
  local port certs=$work/certs topics=$work/tls.txt
  make_certificates "$certs"
  cp "$certs/ca.pem" "$certs/other-ca.pem" "$app/"
  port=$(free_port)
  broker_start "$work/broker" "$port" "cafile $certs/ca.pem" "certfile $certs/broker.pem" "keyfile $certs/broker.key"
  subscribe "$topics" "$port" --cafile "$certs/ca.pem" -t '#'
  # One run per trust, each under a prefix of its own.
  local run
  for run in "accepted --mqtt-ca ca.pem" "other-ca --mqtt-ca other-ca.pem" "system"; do
    set -- $run
    record_start "$work/record-tls-$1.log" --duration 6 --mqtt "mqtts://127.0.0.1:$port" --mqtt-prefix "$1" \
      "${@:2}" COM1
    wait "$recorder" || true
  done
  check "the test CA is accepted with --mqtt-ca" grep -qE '^0 accepted/COM1/state \{' "$topics"
  check "another CA is refused" eval "! grep -q '^[01] other-ca/' '$topics'"
  check "without --mqtt-ca the system's roots refuse the test CA" eval "! grep -q '^[01] system/' '$topics'"
  [ "$failures" -eq 0 ] || tail -n 5 "$topics"
}

listens_on_loopback() {  # port: once it listens, on 127.0.0.1 only
  local i
  for i in $(seq 100); do ss -Htln "sport = :$1" | grep -q . && break; sleep 0.2; done
  ss -Htln "sport = :$1" | grep -q "127\.0\.0\.1:$1"
}

status_of() { [ "$(curl -s -o /dev/null -w '%{http_code}' "$2")" = "$1" ]; }  # code, url

# A version of the day file: the same header, and its rows are the oldest
# rows of the file now (newer rows go in on top, after the 77-byte header).
version_of() {  # download, day file
  local rows=$(( $(stat -c %s "$1") - 77 ))
  [ "$rows" -gt 0 ] && cmp -s <(head -c 77 "$1") <(head -c 77 "$2") &&
    cmp -s <(tail -c "$rows" "$1") <(tail -c "$rows" "$2")
}

web() {
  echo "== the web page"
  local port url auth=(-u 'kzrt:page word') name
  port=$(free_port)
  url=http://127.0.0.1:$port
  printf 'page word\n' >"$app/web-password.txt"
  record_start "$work/record-web.log" --web "$port" --metrics "$port" --web-password-file web-password.txt \
    --dir web-days COM1
  check "the page listens on 127.0.0.1 only" listens_on_loopback "$port"
  check "the page wants its password" status_of 401 "$url/"
  check "/metrics shares the port without it" status_of 200 "$url/metrics"
  curl -fsS "${auth[@]}" "$url/" >"$work/web-index.html" || true
  check "the page is the Linux build's" cmp -s "$work/web-index.html" "$here/../web/page/index.html"
  curl -sN --max-time 8 "${auth[@]}" "$url/events" >"$work/web-events.txt" 2>/dev/null || true
  check "a row arrives on the live stream" grep -q '^event: tick' "$work/web-events.txt"
  name=$(curl -fsS "${auth[@]}" "$url/lookback/files.json" | grep -oE 'KZRT[0-9]+\.csv' | head -n1 || true)
  curl -fsS "${auth[@]}" "$url/lookback/day?meter=0&name=$name" >"$work/web-day.csv" || true
  check "the day file downloads whole" version_of "$work/web-day.csv" "$app/web-days/$name"
  kill -TERM "$recorder" 2>/dev/null || true
  wait "$recorder" 2>/dev/null || true
  [ "$failures" -eq 0 ] || { tr -d '\r' <"$work/record-web.log" | tail -n 5; head -c 600 "$work/web-events.txt"; }
}

mqtt_and_metrics
tls
web
[ "$failures" -eq 0 ] && echo "network outputs under wine: passed" || {
  echo "network outputs under wine: $failures FAILED"; exit 1; }
