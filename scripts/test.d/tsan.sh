#!/usr/bin/env bash
# ThreadSanitizer stage: builds the threaded tests with -fsanitize=thread and
# runs them. Threaded tests are those whose names say so (Thread, Concurrent,
# Tick, Loader); the display-free ones run from a core-only build, the display
# ones (tests/ui, tests/app) from a full build under Xvfb. A side without such
# tests is skipped.
set -euo pipefail
cd "$(dirname "$0")/../.."
filter='*Thread*:*Concurrent*:*Tick*:*Loader*'
pattern='TEST(_F|_P)?\([A-Za-z0-9_]*(Thread|Concurrent|Tick|Loader)[A-Za-z0-9_]*,|TEST(_F|_P)?\([A-Za-z0-9_]+, *[A-Za-z0-9_]*(Thread|Concurrent|Tick|Loader)'
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp ${TSAN_OPTIONS:-}"

has_threaded_tests() {
  local dirs=()
  for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
  [ ${#dirs[@]} -gt 0 ] && grep -rEq "$pattern" "${dirs[@]}" --include='*.cpp'
}

if has_threaded_tests tests/core; then
  echo "tsan: display-free threaded tests"
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAND_CORE_ONLY=ON \
        -DVORLAND_BENCH=OFF -DVORLAND_SANITIZE=thread -DVORLAND_WERROR=ON >/dev/null
  ninja -C build-tsan -j2 vorland_core_tests >/dev/null
  ./build-tsan/vorland_core_tests --gtest_filter="$filter"
else
  echo "tsan: no threaded display-free tests; skipped"
fi

if has_threaded_tests tests/ui tests/app; then
  echo "tsan: threaded display tests"
  cmake -S . -B build-tsan-gui -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVORLAND_BENCH=OFF -DVORLAND_SANITIZE=thread -DVORLAND_WERROR=ON >/dev/null
  ninja -C build-tsan-gui -j2 vorland_ui_tests vorland >/dev/null
  xvfb-run -a -s "-screen 0 1920x1080x24" ./build-tsan-gui/vorland_ui_tests --gtest_filter="$filter"
else
  echo "tsan: no threaded display tests yet; skipped"
fi
