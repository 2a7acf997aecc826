#!/usr/bin/env bash
# Compares the system `base64 -w0` on 64 MiB of random bytes with base64_bench's
# 16 MiB runs, in MB/s (10^6 bytes per second of input).
# Usage: bench/compare_base64_command.sh [path/to/base64_bench]
set -euo pipefail

bench=${1:-build/bench/bench/base64_bench}
[[ -x $bench ]] || { echo "no benchmark binary at $bench (cmake --preset bench && cmake --build --preset bench)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
size=$((64 * 1024 * 1024))
head -c "$size" /dev/urandom >"$tmp/input"

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 1 --runs 10 --export-json "$tmp/h.json" "base64 -w0 $tmp/input" >/dev/null
  seconds=$(sed -nE 's/.*"mean": *([0-9.eE+-]+).*/\1/p' "$tmp/h.json" | head -n1)
else
  # Best of five wall-clock times.
  seconds=
  TIMEFORMAT=%R
  for _ in 1 2 3 4 5; do
    t=$({ time base64 -w0 "$tmp/input" >/dev/null; } 2>&1)
    if [[ -z $seconds ]] || awk -v a="$t" -v b="$seconds" 'BEGIN { exit !(a < b) }'; then seconds=$t; fi
  done
fi
awk -v s="$seconds" -v n="$size" 'BEGIN { printf "%-40s %10.0f MB/s\n", "base64 -w0 (64 MiB file)", n / s / 1e6 }'

"$bench" --benchmark_filter='/16777216$' --benchmark_format=json 2>/dev/null |
  awk -F'"' '/"name":/ { name = $4 }
             /"bytes_per_second":/ { split($3, v, /[:,]/); printf "%-40s %10.0f MB/s\n", name, v[2] / 1e6 }'
