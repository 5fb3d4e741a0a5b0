#!/usr/bin/env bash
# A private PostgreSQL 15 server for the tests: its own data folder, a Unix
# socket in that folder and no TCP at all, and an odbc.ini / odbcinst.ini of
# its own with the data source "kelppg" (PostgreSQL Unicode driver).
#
#   postgres_server.sh start DIR   # DIR must not exist; prints nothing on success
#   postgres_server.sh stop DIR    # stops the server and removes DIR
#   postgres_server.sh halt DIR    # stops it, keeping DIR (a server that is down)
#   postgres_server.sh resume DIR  # starts a halted one again
#
# As a library (source it): pg_start DIR, pg_stop DIR. The caller exports
# ODBCINI=DIR/odbc.ini and ODBCSYSINI=DIR (pg_env DIR prints those lines).
# With PG_OWNER_PID set, the server is stopped when that process ends.
# initdb and pg_ctl refuse to run as root: they run as "postgres" in a folder
# that user owns.
set -euo pipefail

PG_BIN=${PG_BIN:-/usr/lib/postgresql/15/bin}
PG_PORT=${PG_PORT:-54329}
PG_DATABASE=kelp

pg_as() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

odbc_driver() { # the shared library of a driver: the system's odbcinst.ini names it, often without a folder
  local lib dir
  lib=$(odbcinst -q -d -n "$1" 2>/dev/null | sed -n 's/^Driver=//p' | sed -n 1p)
  [ -n "$lib" ] || lib=$2
  case $lib in
    /*) echo "$lib" ;;
    *) for dir in /usr/lib/*/odbc /usr/lib/odbc /usr/lib64/odbc; do
         [ -e "$dir/$lib" ] && { echo "$dir/$lib"; return; }
       done
       echo "$lib" ;;
  esac
}

pg_start() {
  local dir=$1
  [ -e "$dir" ] && { echo "postgres_server: $dir exists" >&2; return 1; }
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  chmod 700 "$dir"
  pg_as "$PG_BIN/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; return 1; }
  pg_as "$PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $dir -p $PG_PORT -c fsync=off -c full_page_writes=off" start >/dev/null ||
    { cat "$dir/server.log" >&2; return 1; }
  # A test killed before its clean-up must not leave the server behind: a
  # watcher stops it once the process named by PG_OWNER_PID is gone.
  if [ -n "${PG_OWNER_PID:-}" ]; then
    setsid bash -c 'while kill -0 "$1" 2>/dev/null && [ -d "$2" ]; do sleep 1; done; bash "$3" stop "$2"' \
      pg-watch "$PG_OWNER_PID" "$dir" "$(realpath "${BASH_SOURCE[0]}")" </dev/null >/dev/null 2>&1 &
  fi
  pg_as "$PG_BIN/createdb" -h "$dir" -p "$PG_PORT" -U postgres -E UTF8 -T template0 "$PG_DATABASE"
  cat >"$dir/odbcinst.ini" <<INI
[PostgreSQL Unicode]
Description=PostgreSQL ODBC driver (Unicode version)
Driver=$(odbc_driver "PostgreSQL Unicode" psqlodbcw.so)

[SQLite3]
Description=SQLite3 ODBC Driver
Driver=$(odbc_driver SQLite3 libsqlite3odbc.so)
INI
  cat >"$dir/odbc.ini" <<INI
[kelppg]
Driver=PostgreSQL Unicode
Servername=$dir
Port=$PG_PORT
Database=$PG_DATABASE
Username=postgres
Password=
UseServerSidePrepare=0
pqopt=connect_timeout=5 options='-c statement_timeout=5000'

[kelppg-plain]
Driver=PostgreSQL Unicode
Servername=$dir
Port=$PG_PORT
Database=$PG_DATABASE
Username=postgres
INI
}

# Stops the server of DIR (if it runs) and removes DIR.
pg_stop() {
  local dir=$1
  [ -d "$dir" ] || return 0
  if [ -f "$dir/data/postmaster.pid" ]; then
    pg_as "$PG_BIN/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null 2>&1 ||
      pg_as "$PG_BIN/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

# Stops the server and keeps the folder: a data source whose server is down.
pg_halt() {
  pg_as "$PG_BIN/pg_ctl" -D "$1/data" -m fast -w -t 60 stop >/dev/null
}

# Starts a halted server of DIR again.
pg_resume() {
  pg_as "$PG_BIN/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $1 -p $PG_PORT -c fsync=off -c full_page_writes=off" start >/dev/null
}

pg_env() {
  echo "export ODBCINI=$1/odbc.ini ODBCSYSINI=$1"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case ${1:-} in
    start) pg_start "$2" ;;
    stop) pg_stop "$2" ;;
    halt) pg_halt "$2" ;;
    resume) pg_resume "$2" ;;
    *) echo "usage: $0 start|stop|halt|resume DIR" >&2; exit 2 ;;
  esac
fi
