#!/usr/bin/env bash
# Short fuzz runs of every reader (about 45 s each, one core); see fuzz/run.sh.
# scripts/fuzz-long.sh runs them longer.
set -euo pipefail
cd "$(dirname "$0")/../.."
exec fuzz/run.sh "${VORLAND_FUZZ_SECONDS:-45}"
