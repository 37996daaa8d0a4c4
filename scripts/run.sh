#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer. Without a display
# the viewer runs under Xvfb and a screenshot is saved to build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/vorland
fi
echo "No display: running the viewer under Xvfb and saving build/screenshot.png"
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  ./build/vorland & pid=$!
  # Waits until the loaded scene shows (at most VORLAND_SHOT_DELAY_MS).
  ./build/vorland-shot build/screenshot.png "${VORLAND_SHOT_DELAY_MS:-300000}" --until-scene; rc=$?
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  exit $rc'
echo "Saved build/screenshot.png"
