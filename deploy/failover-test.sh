#!/usr/bin/env bash
# HAProxy (Debian's) in front of two application servers on loopback, one throwaway
# PostgreSQL behind them. Prints requests per second of 8 clients straight to one server,
# through HAProxy to one server and to two, then kills one server (SIGKILL) while the clients
# run and prints what failed, then stops PostgreSQL for 3 s while they run (every server out,
# HAProxy answering 503 in the servers' form) and prints how they were answered. Not part of
# ./test; needs a build (scripts/build.sh).
#   deploy/failover-test.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
SERVER=$BUILD_DIR/bin/vnd42700-server
LOAD=$BUILD_DIR/bin/bench_http_load
RUN_SECONDS=${1:-8}
command -v haproxy >/dev/null || { echo "haproxy não instalado (scripts/ensure-deps.sh)" >&2; exit 1; }
[ -x "$SERVER" ] && [ -x "$LOAD" ] || { echo "compile antes: scripts/build.sh" >&2; exit 1; }

work=$(mktemp -d)
pids=()
VND_PGCLUSTER=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  scripts/pgcluster.sh stop "$VND_PGCLUSTER"
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  local candidate
  while :; do
    candidate=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null || { echo "$candidate"; return; }
  done
}
wait_port() {
  for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "nada escuta em $1" >&2
  return 1
}

eval "$(scripts/pgcluster.sh start)"
DB=${VND_TEST_PG%/postgres}/vnd42700
psql "$VND_TEST_PG" -qc "CREATE DATABASE vnd42700"
"$SERVER" --db "$DB" --init --demo

P1=$(free_port)
P2=$(free_port)
FRONT=$(free_port)
"$SERVER" --db "$DB" --listen "127.0.0.1:$P1" 2>"$work/s1.log" &
S1=$!
pids+=("$S1")
"$SERVER" --db "$DB" --listen "127.0.0.1:$P2" 2>"$work/s2.log" &
pids+=($!)
wait_port "$P1"
wait_port "$P2"

# deploy/haproxy.cfg with this run's ports; $1 = how many servers it names.
balancer() {
  local cfg=$work/haproxy-$1.cfg
  sed -e "s/127.0.0.1:42700/127.0.0.1:$FRONT/" -e "s/127.0.0.1:42701/127.0.0.1:$P1/" \
    -e "s/127.0.0.1:42702/127.0.0.1:$P2/" deploy/haproxy.cfg >"$cfg"
  [ "$1" = 1 ] && sed -i '/server s2 /d' "$cfg"
  haproxy -f "$cfg" -db >"$work/haproxy-$1.log" 2>&1 &
  HAPROXY=$!
  pids+=("$HAPROXY")
  wait_port "$FRONT"
  sleep 2.5 # the health checks mark the servers up
}

echo "== 8 clientes direto num servidor"
"$LOAD" "$P1" "$RUN_SECONDS"
echo "== 8 clientes pelo HAProxy, um servidor"
balancer 1
"$LOAD" "$FRONT" "$RUN_SECONDS"
kill "$HAPROXY"
wait "$HAPROXY" 2>/dev/null || true
echo "== 8 clientes pelo HAProxy, dois servidores"
balancer 2
"$LOAD" "$FRONT" "$RUN_SECONDS"
echo "== 8 clientes pelo HAProxy, dois servidores; um deles morto (SIGKILL) aos 3 s"
"$LOAD" "$FRONT" "$RUN_SECONDS" &
LOADER=$!
sleep 3
kill -KILL "$S1"
wait "$LOADER"
grep -h "DOWN\|is DOWN" "$work/haproxy-2.log" | head -3 || true
echo "== 8 clientes pelo HAProxy por 10 s; o PostgreSQL parado aos 2 s e iniciado de novo 3 s depois"
"$LOAD" "$FRONT" 10 &
LOADER=$!
sleep 2
scripts/pgcluster.sh halt "$VND_PGCLUSTER"
sleep 3
scripts/pgcluster.sh resume "$VND_PGCLUSTER"
wait "$LOADER"
grep -h "^Server.*\(DOWN\|UP\)" "$work/haproxy-2.log" | tail -2 || true
