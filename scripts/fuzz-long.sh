#!/usr/bin/env bash
# Long local fuzz runs: scripts/fuzz-long.sh [SECONDS per fuzzer, default 900] [fuzzer ...]
# One core at a time, so the machine stays usable for others.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-900}
[ $# -gt 0 ] && shift
exec fuzz/run.sh "$seconds" "$@"
