#!/usr/bin/env bash
# The deal log on a private PostgreSQL server (tools/pg_private.sh starts and stops it). Two
# desks record 1,000 versions each at once (the first of them making the schema) and all 2,000
# are there; two desks move one deal from the same status at once and exactly one wins, the
# other being told.
# Usage: log_pg.sh LOG_WRITER CLI
set -euo pipefail
if [ -z "${TALLYQUOTE_PG_URL:-}" ]; then
  exec bash "$(dirname "$0")/../tools/pg_private.sh" bash "$0" "$@"
fi
writer=$1
cli=$2
url=$TALLYQUOTE_PG_URL
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

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

# The CLI speaks to the same log: a search, and the deal's version sold from the status it holds.
echo '{"log": {"search": {"customer": "b customer99", "limit": 20}}}' | "$cli" --database "$url" |
  grep '"customer": "B Customer99"' >/dev/null
echo '{"log": {"status": {"version": 1, "status": "sold", "from": "pending"}}}' |
  "$cli" --database "$url" | grep '"replaced": "pending"' >/dev/null
