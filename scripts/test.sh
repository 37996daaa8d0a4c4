#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build's
# tests (core, GPU under Mesa, interface under Xvfb), then the display-free
# tests again under AddressSanitizer + UndefinedBehaviorSanitizer, then the
# extra stages in scripts/test.d (fuzzing, ThreadSanitizer, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

echo "== release build and tests"
./scripts/build.sh -DVORLAND_WERROR=ON
(cd build && ctest --output-on-failure --timeout 1200)

echo "== display-free tests under ASan + UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORLAND_CORE_ONLY=ON \
      -DVORLAND_BENCH=OFF -DVORLAND_SANITIZE=address,undefined -DVORLAND_WERROR=ON >/dev/null
cmake --build build-asan
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure --timeout 1200 -L core)

for stage in scripts/test.d/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $stage"
  bash "$stage"
done
echo "All tests passed."
