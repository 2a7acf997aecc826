#!/usr/bin/env bash
# Compares the ABI of a built libKwvCard.so.0 (x86-64) with the committed
# baseline abi/libKwvCard.abi, and fails on any removed or changed exported
# symbol and any change in the layout of a public class. Added symbols pass.
#
#   abi/check_abi.sh [--update] [LIBRARY]    (default: build/demo/libKwvCard.so.0)
#
# --update rewrites the baseline from LIBRARY instead: do that on purpose, in
# the commit that adds to the ABI. Needs abidw/abidiff (Debian abigail-tools)
# and a library built with debug information (the demo preset has it).
set -euo pipefail
cd "$(dirname "$0")/.."
update=0
if [[ ${1:-} == --update ]]; then
  update=1
  shift
fi
lib=${1:-build/demo/libKwvCard.so.0}
baseline=abi/libKwvCard.abi
if ((update)); then
  abidw --drop-undefined-syms --no-corpus-path --no-comp-dir-path --no-show-locs \
    --type-id-style hash --out-file "$baseline" "$lib"
  echo "ABI baseline written to $baseline"
  exit 0
fi
if abidiff --no-added-syms "$baseline" "$lib"; then
  echo "ABI: $lib matches $baseline"
else
  echo "ABI: $lib breaks the baseline $baseline (see above)" >&2
  exit 1
fi
