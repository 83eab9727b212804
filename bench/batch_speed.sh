#!/usr/bin/env bash
# Whole-process batch pricing, side by side in one run: the same generated requests through
# `tallyquote-cli --jsonl` on one thread and on two, answers compared byte for byte.
# With OTHER_CLI (another build's tallyquote-cli, or any program answering the same lines), that
# one is timed in the same run too, for a ratio on this shared and noisy machine.
# Usage: bench/batch_speed.sh BUILD_DIR [REQUESTS] [OTHER_CLI]
set -euo pipefail
build=${1:-build}
n=${2:-400000}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 "$(dirname "$0")/../tools/gen_requests.py" "$n" 3 > "$dir/requests.jsonl"
for jobs in 1 2; do
  start=$(date +%s.%N)
  "$build/tallyquote-cli" --jsonl --jobs "$jobs" < "$dir/requests.jsonl" > "$dir/answers.$jobs" || true
  end=$(date +%s.%N)
  python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); print(f'--jobs {sys.argv[3]}: {s:.2f} s, {int(sys.argv[4])/s:,.0f} requests a second')" \
    "$start" "$end" "$jobs" "$n"
done
cmp -s "$dir/answers.1" "$dir/answers.2" && echo "answers identical" || { echo "answers differ"; exit 1; }
if [ -n "${3:-}" ]; then
  start=$(date +%s.%N)
  "$3" --jsonl < "$dir/requests.jsonl" > "$dir/answers.other" || true
  end=$(date +%s.%N)
  python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); print(f'other: {s:.2f} s, {int(sys.argv[3])/s:,.0f} requests a second')" \
    "$start" "$end" "$n"
  cmp -s "$dir/answers.1" "$dir/answers.other" && echo "other's answers identical" || echo "other's answers differ"
fi
