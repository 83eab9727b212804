#!/usr/bin/env bash
# The SQLite deal log under faults, one part at a time (exit 77: the part could not be set up
# here, and is skipped, never passed):
#   kills       a desk recording quotes is killed with -9 again and again: the log still opens,
#               and every version in it is whole and reproduces
#   refusals    a log that cannot be written is refused in one line and the request left as it
#               was; one in a read-only folder, or read-only itself, is still searched; a missing
#               one is searched without being made; --jsonl answers log lines in input order
#   immutable   a log file marked immutable is searched, and recording is refused
#   full        a log on a full disk is searched, and recording is refused
# Run as root, the desk's side runs as the unprivileged user nobody, since root may write
# anywhere.
# Usage: log_faults.sh PART LOG_WRITER CLI
set -euo pipefail
part=$1
writer=$2
cli=$3
tmp=$(mktemp -d /tmp/tallyquote-log.XXXXXX)
cleanup() {
  pkill -9 -f "$tmp/" 2>/dev/null || true  # no desk of this test outlives it
  chattr -i "$tmp"/imm/deals.sqlite 2>/dev/null || true
  umount "$tmp/full" 2>/dev/null || true
  chmod -R u+w "$tmp" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"
desk=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$tmp"
  # setpriv runs the command itself, so a kill reaches the desk and not a wrapper.
  desk=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
as_desk() { "${desk[@]}" "$@"; }
record='{"fields": {"sellingprice": "28000"}, "commands": ["calculate"], "log": {"record": {}}}'
search='{"log": {"search": {}}}'
# One line on standard error and status 2, for the CLI given the log $1 and the request $2.
refused() {
  set +e
  printf '%s\n' "$2" | as_desk "$cli" --database "$1" > /dev/null 2> "$tmp/err"
  local status=$?
  set -e
  [ "$status" -eq 2 ] && [ "$(wc -l < "$tmp/err")" -eq 1 ] || { cat "$tmp/err"; exit 1; }
}
found() {
  printf '%s\n' "$search" | as_desk "$cli" --database "$1" | grep -c '"version":' || true
}

case $part in
kills)
  db=$tmp/deals.sqlite
  for round in $(seq 1 25); do
    "${desk[@]}" "$writer" "$db" record 100000 "R$round" &  # not through a function: $! is the desk
    pid=$!
    sleep "0.0$((RANDOM % 9 + 1))"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  count=$(as_desk "$writer" "$db" check)
  echo "$count versions whole after 25 kills"
  [ "$count" -gt 0 ]
  ;;
refusals)
  as_desk mkdir "$tmp/desk" "$tmp/locked" "$tmp/shared"
  printf '%s\n' "$record" > "$tmp/request.json"
  before=$(sha256sum < "$tmp/request.json")
  # A folder that cannot be written: recording is refused in one line, the request untouched.
  chmod 555 "$tmp/locked"
  refused "$tmp/locked/deals.sqlite" "$(cat "$tmp/request.json")"
  [ "$(sha256sum < "$tmp/request.json")" = "$before" ]
  # Searching a log that does not exist answers no versions and makes nothing.
  [ "$(found "$tmp/desk/none/deals.sqlite")" -eq 0 ]
  [ ! -e "$tmp/desk/none" ]
  # A log in a folder made read-only, and a log file made read-only: searched all the same.
  for _ in 1 2; do printf '%s\n' "$record" | as_desk "$cli" --database "$tmp/shared/deals.sqlite" > /dev/null; done
  chmod 444 "$tmp/shared/deals.sqlite"
  [ "$(found "$tmp/shared/deals.sqlite")" -eq 2 ]
  refused "$tmp/shared/deals.sqlite" "$record"
  chmod 555 "$tmp/shared"
  [ "$(found "$tmp/shared/deals.sqlite")" -eq 2 ]
  chmod 755 "$tmp/shared"
  # Log lines in a batch are answered, and recorded in input order on any number of threads.
  db=$tmp/desk/batch.sqlite
  for i in $(seq 1 300); do
    if [ $((i % 3)) -eq 0 ]; then
      printf '{"fields": {"sellingprice": "%d"}, "commands": ["calculate"], "log": {"record": {}}}\n' $((20000 + i))
    else
      printf '{"fields": {"sellingprice": "%d"}, "commands": ["calculate"]}\n' $((20000 + i))
    fi
  done > "$tmp/batch.jsonl"
  as_desk "$cli" --database "$db" --jsonl --jobs 3 < "$tmp/batch.jsonl" > "$tmp/answers.jsonl"
  [ "$(wc -l < "$tmp/answers.jsonl")" -eq 300 ]
  python3 - "$tmp/answers.jsonl" <<'EOF'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
logged = [(a["log"]["version"], a["fields"]["sellingprice"]) for a in lines if "log" in a]
assert len(logged) == 100, len(logged)
assert [v for v, _ in logged] == list(range(1, 101)), "versions out of input order"
assert [p for _, p in logged] == [str(20000 + 3 * k) for k in range(1, 101)]
EOF
  ;;
immutable)
  [ "$(id -u)" -eq 0 ] || { echo "skipped: marking a file immutable needs root"; exit 77; }
  as_desk mkdir "$tmp/imm"
  printf '%s\n' "$record" | as_desk "$cli" --database "$tmp/imm/deals.sqlite" > /dev/null
  chattr +i "$tmp/imm/deals.sqlite" 2>/dev/null ||
    { echo "skipped: this file system cannot mark a file immutable"; exit 77; }
  [ "$(found "$tmp/imm/deals.sqlite")" -eq 1 ]
  refused "$tmp/imm/deals.sqlite" "$record"
  ;;
full)
  [ "$(id -u)" -eq 0 ] || { echo "skipped: a small file system needs root to mount"; exit 77; }
  mkdir "$tmp/full"
  mount -t tmpfs -o size=2m,mode=0777 tmpfs "$tmp/full" 2>/dev/null ||
    { echo "skipped: no small file system can be mounted here"; exit 77; }
  printf '%s\n' "$record" | as_desk "$cli" --database "$tmp/full/deals.sqlite" > /dev/null
  as_desk dd if=/dev/zero of="$tmp/full/filler" bs=4k 2>/dev/null || true
  refused "$tmp/full/deals.sqlite" "$record"
  [ "$(found "$tmp/full/deals.sqlite")" -eq 1 ]
  ;;
*)
  echo "unknown part $part" >&2
  exit 2
  ;;
esac
echo "$part: passed"
