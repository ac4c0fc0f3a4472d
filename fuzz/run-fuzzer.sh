#!/usr/bin/env bash
# Runs a fuzzer for a few seconds from its seed corpus, in a scratch copy so seeds stay clean.
# Usage: run-fuzzer.sh FUZZER SEED_DIR SECONDS [more libFuzzer flags]
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
shift 3
artifacts=${FUZZ_ARTIFACTS:-$PWD}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$seeds"/. "$work"/
cd "$work"
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 -timeout=20 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$work" 2>&1 | tail -n 25
exit "${PIPESTATUS[0]}"
