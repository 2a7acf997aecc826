#!/usr/bin/env bash
# Builds the fuzz preset and runs card_fuzz for N seconds (default 30) on a scratch copy of
# fuzz/corpus. A crashing input is copied to fuzz/crashes/ and the script exits non-zero.
set -euo pipefail
secs=${1:-30}
cd "$(dirname "$0")/.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target card_fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" "$work/artifacts"
cp fuzz/corpus/* "$work/corpus/"
rc=0
build/fuzz/fuzz/card_fuzz "$work/corpus" -max_len=8192 -max_total_time="$secs" \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 || rc=$?
if [ "$rc" -ne 0 ]; then
  mkdir -p fuzz/crashes
  cp "$work"/artifacts/* fuzz/crashes/ 2>/dev/null || true
  echo "card_fuzz failed (exit $rc); inputs in fuzz/crashes/" >&2
fi
exit "$rc"
