#!/usr/bin/env bash
# A desk recording quotes is killed with -9 again and again: the SQLite log still opens, and
# every version in it is whole and reproduces. Then a log that cannot be written is refused in
# one line, and the request's deal file is not touched.
# Usage: log_faults.sh LOG_WRITER CLI
set -euo pipefail
writer=$1
cli=$2
tmp=$(mktemp -d /tmp/tallyquote-log.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
db=$tmp/deals.sqlite
for round in $(seq 1 25); do
  "$writer" "$db" record 100000 "R$round" &
  pid=$!
  sleep "0.0$((RANDOM % 9 + 1))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
done
count=$("$writer" "$db" check)
echo "$count versions whole after 25 kills"
[ "$count" -gt 0 ]
# A log in a folder that cannot be written: refused, exit 2, in one line.
mkdir "$tmp/locked"
chmod 500 "$tmp/locked"
if [ "$(id -u)" -ne 0 ]; then
  set +e
  echo '{"commands": ["calculate"], "log": {"record": {}}}' |
    "$cli" --database "$tmp/locked/deals.sqlite" > /dev/null 2> "$tmp/err"
  status=$?
  set -e
  [ "$status" -eq 2 ] && [ "$(wc -l < "$tmp/err")" -eq 1 ] || { cat "$tmp/err"; exit 1; }
fi
