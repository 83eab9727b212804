#!/usr/bin/env bash
# Runs a command against a private PostgreSQL server, as the print test runs its own CUPS:
# initdb and pg_ctl in a temporary folder on a free local port (as the postgres user when run
# as root: initdb refuses root), the database's URL in TALLYQUOTE_PG_URL; the server is stopped
# and its folder removed afterwards, whatever the command did.
# Usage: tools/pg_private.sh COMMAND [ARGS...]
set -euo pipefail
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "missing the PostgreSQL server (run scripts/install-deps.sh)"; exit 1; }
tmp=$(mktemp -d /tmp/tallyquote-pg.XXXXXX)
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres "$tmp"
  as_server=(runuser -u postgres --)
fi
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cleanup() {
  "${as_server[@]}" "$bin/pg_ctl" -D "$tmp/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT
"${as_server[@]}" "$bin/initdb" -D "$tmp/data" -A trust -U tallyquote -E UTF8 >/dev/null
# One role that must give its password, for the test that a wrong one is never shown.
sed -i '1i host all tq_password_check 127.0.0.1/32 scram-sha-256' "$tmp/data/pg_hba.conf"
"${as_server[@]}" "$bin/pg_ctl" -D "$tmp/data" -l "$tmp/server.log" -w \
  -o "-p $port -k $tmp -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
"${as_server[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U tallyquote deals
# A test may restart the server under a desk's open connection.
export TALLYQUOTE_PG_RESTART="${as_server[*]} $bin/pg_ctl -D $tmp/data -w -m fast restart -l $tmp/server.log"
TALLYQUOTE_PG_URL="postgresql://tallyquote@127.0.0.1:$port/deals" "$@"
