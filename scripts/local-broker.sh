# Sourced by the wine checks that publish: Debian's mosquitto broker and
# mosquitto_sub on the Linux side, on 127.0.0.1 at a free port. The caller
# ends the processes (their ids are appended to its `pids` array).
#   free_port                        a TCP port nothing listens on now
#   broker_start DIR PORT [LINE...]  a broker with more configuration lines (TLS, passwords);
#                                    anonymous clients are allowed unless a line says otherwise
#   subscribe FILE PORT [ARG...]     mosquitto_sub printing "<retained> <topic> <payload>" into FILE
#   wait_for_line FILE PATTERN [SECONDS]   true once a line of FILE matches the extended regex
free_port() {
  local port
  while :; do
    port=$(( 20000 + RANDOM % 20000 ))
    [ -z "$(ss -Htln "sport = :$port")" ] && { echo "$port"; return; }
  done
}

listening() { [ -n "$(ss -Htln "sport = :$1")" ]; }

broker_start() {
  local dir=$1 port=$2 conf
  shift 2
  mkdir -p "$dir"
  conf=$dir/mosquitto-$port.conf
  {
    echo "listener $port 127.0.0.1"
    printf '%s\n' "$@" | grep -q '^allow_anonymous' || echo "allow_anonymous true"
    # Started by root, mosquitto would otherwise turn into the user "mosquitto".
    [ "$(id -u)" -ne 0 ] || echo "user root"
    echo "persistence false"
    echo "log_dest file $dir/mosquitto-$port.log"
    echo "log_type error"
    echo "log_type warning"
    echo "log_type notice"
    [ $# -eq 0 ] || printf '%s\n' "$@"
  } >"$conf"
  mosquitto -c "$conf" >/dev/null 2>&1 & pids+=($!)
  for _ in $(seq 50); do listening "$port" && return 0; sleep 0.1; done
  echo "the broker on port $port did not start" >&2
  return 1
}

subscribe() {
  local file=$1 port=$2
  shift 2
  mosquitto_sub -h 127.0.0.1 -p "$port" -F '%r %t %p' "$@" >"$file" 2>&1 & pids+=($!)
  sleep 0.5  # mosquitto_sub says nothing once subscribed
}

wait_for_line() {
  local file=$1 pattern=$2 seconds=${3:-20} i
  for i in $(seq $(( seconds * 10 ))); do
    grep -qE "$pattern" "$file" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
