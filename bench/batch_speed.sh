#!/usr/bin/env bash
# Whole-process batch pricing, side by side in one run: the same generated requests through
# `tallyquote-cli --jsonl` on one thread and on two, answers compared byte for byte, on simple deals
# to calculate and on the mixed set (every command, odd texts, broken lines).
# With OTHER_CLI (another build's tallyquote-cli, or any program answering the same lines), that
# one is timed in the same runs too, for a ratio on this shared and noisy machine. Each command
# runs ROUNDS times in turn; the best time of each is kept.
# Usage: bench/batch_speed.sh BUILD_DIR [REQUESTS] [OTHER_CLI] [ROUNDS]
set -euo pipefail
build=${1:-build}
n=${2:-400000}
other=${3:-}
rounds=${4:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

seconds() { # the time one command takes on the requests, answers into $dir/answers.$1
  local name=$1
  shift
  local start end
  start=$(date +%s.%N)
  "$@" < "$dir/requests.jsonl" > "$dir/answers.$name" || true
  end=$(date +%s.%N)
  python3 -c "import sys; print(float(sys.argv[2]) - float(sys.argv[1]))" "$start" "$end"
}

for set in simple mixed; do
  python3 "$(dirname "$0")/../tools/gen_requests.py" "$n" 3 "$set" > "$dir/requests.jsonl"
  declare -A best=()
  names=(one two)
  [ -n "$other" ] && names+=(other)
  for ((r = 0; r < rounds; ++r)); do
    for name in "${names[@]}"; do
      case $name in
        one) s=$(seconds one "$build/tallyquote-cli" --jsonl --jobs 1) ;;
        two) s=$(seconds two "$build/tallyquote-cli" --jsonl --jobs 2) ;;
        other) s=$(seconds other "$other" --jsonl) ;;
      esac
      best[$name]=$(python3 -c "import sys; print(min(float(x) for x in sys.argv[1:] if x))" "$s" "${best[$name]:-}")
    done
  done
  echo "$set deals, $n requests, best of $rounds:"
  python3 - "$n" "${best[one]}" "${best[two]}" "${best[other]:-}" <<'EOF'
import sys
n, one, two = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3])
print(f"  --jobs 1: {one:.2f} s, {n / one:,.0f} a second")
print(f"  --jobs 2: {two:.2f} s, {n / two:,.0f} a second, {one / two:.2f}x --jobs 1")
if sys.argv[4]:
    other = float(sys.argv[4])
    print(f"  other:    {other:.2f} s, {n / other:,.0f} a second; --jobs 1 is {other / one:.2f}x it")
EOF
  cmp -s "$dir/answers.one" "$dir/answers.two" && echo "  --jobs 2 answers identical" ||
    { echo "  --jobs 2 answers differ"; exit 1; }
  if [ -n "$other" ]; then
    cmp -s "$dir/answers.one" "$dir/answers.other" && echo "  other's answers identical" ||
      echo "  other's answers differ"
  fi
  unset best
done
