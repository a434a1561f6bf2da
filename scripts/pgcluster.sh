#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for tests and benchmarks: a temporary folder, a free loopback
# port, run by an unprivileged user (initdb refuses root; as root the package's `postgres`
# user runs it).
#   eval "$(scripts/pgcluster.sh start)"   # exports VND_TEST_PG (admin URL) and VND_PGCLUSTER
#   scripts/pgcluster.sh stop "$VND_PGCLUSTER"
#   scripts/pgcluster.sh halt|resume "$VND_PGCLUSTER"   # its server down and up again, data kept
set -euo pipefail

PG_BIN=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  local candidate
  for _ in $(seq 1 50); do
    candidate=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

start() {
  [ -x "$PG_BIN/initdb" ] || { echo "PostgreSQL não instalado (initdb não encontrado)" >&2; return 1; }
  local dir
  dir=$(mktemp -d /tmp/vnd-pg.XXXXXX)
  chmod 755 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  if ! as_owner "$PG_BIN/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 \
      --locale=C.UTF-8 >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    return 1
  fi
  # Durability is not what tests measure: no fsync, commits not waited for.
  cat >>"$dir/data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir'
max_connections = 300
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 128MB
EOF
  local port
  for _ in 1 2 3 4 5; do
    port=$(free_port) || break
    if as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-p $port" start >/dev/null 2>&1; then
      echo "export VND_TEST_PG=postgresql://postgres@127.0.0.1:$port/postgres"
      echo "export VND_PGCLUSTER=$dir"
      return 0
    fi
  done
  cat "$dir/server.log" >&2 || true
  rm -rf "$dir"
  return 1
}

test_cluster() {
  case "$1" in /tmp/vnd-pg.*) ;; *) echo "não é um cluster de teste: $1" >&2; return 1 ;; esac
}

halt() {
  local dir=${1:-${VND_PGCLUSTER:-}}
  test_cluster "$dir"
  as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
}

# On the port it was first started on, which its last command line kept.
resume() {
  local dir=${1:-${VND_PGCLUSTER:-}} port
  test_cluster "$dir"
  port=$(sed -n 's/.*"-p" "\([0-9]*\)".*/\1/p' "$dir/data/postmaster.opts")
  as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -o "-p $port" \
    start >/dev/null
}

stop() {
  local dir=${1:-${VND_PGCLUSTER:-}}
  [ -n "$dir" ] && [ -d "$dir" ] || return 0
  test_cluster "$dir"
  as_owner "$PG_BIN/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}

case "${1:-}" in
start) start ;;
stop) stop "${2:-}" ;;
halt) halt "${2:-}" ;;
resume) resume "${2:-}" ;;
*)
  echo "uso: $0 start | stop DIR | halt DIR | resume DIR" >&2
  exit 2
  ;;
esac
