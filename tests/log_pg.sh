#!/usr/bin/env bash
# The deal log on a private PostgreSQL server, as the print test starts its own CUPS: initdb and
# pg_ctl in a temporary folder on a free local port, as the postgres user when run as root
# (initdb refuses root), stopped and removed at the end. Two desks record 1,000 versions each at
# once and all 2,000 are there; two desks move one deal from the same status at once and exactly
# one wins, the other being told.
# Usage: log_pg.sh LOG_WRITER CLI
set -euo pipefail
writer=$1
cli=$2
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
"${as_server[@]}" "$bin/pg_ctl" -D "$tmp/data" -l "$tmp/server.log" -w \
  -o "-p $port -k $tmp -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
"${as_server[@]}" "$bin/createdb" -h 127.0.0.1 -p "$port" -U tallyquote deals
url="postgresql://tallyquote@127.0.0.1:$port/deals"

"$writer" "$url" record 1000 A &
first=$!
"$writer" "$url" record 1000 B
wait "$first"
count=$("$writer" "$url" check)
echo "$count versions after two desks recorded 1,000 each at once"
[ "$count" -eq 2000 ]

set +e
"$writer" "$url" status 1 2> "$tmp/one" &
first=$!
"$writer" "$url" status 1 2> "$tmp/two"
second_status=$?
wait "$first"
first_status=$?
set -e
echo "status changes: $first_status and $second_status (0 won, 3 told)"
[ $((first_status + second_status)) -eq 3 ]
grep -h "someone changed it first" "$tmp/one" "$tmp/two"

# The CLI speaks to the same log: a search, and the deal moved on from the status it holds.
echo '{"log": {"search": {"customer": "b customer99", "limit": 20}}}' | "$cli" --database "$url" |
  grep '"customer": "B Customer99"' >/dev/null
echo '{"log": {"status": {"deal": 1, "status": "sold", "from": "pending"}}}' |
  "$cli" --database "$url" | grep '"replaced": "pending"' >/dev/null
