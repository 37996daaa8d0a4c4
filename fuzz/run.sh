#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang, ASan + UBSan, display-free
# core) and runs each for SECONDS on one core.
#   fuzz/run.sh SECONDS [mdl|ani|settings|collada|gltf ...]
# Seeds: fuzz/seeds/<name>, files written by vorland-cli convert from small
# corpus models, and (for COLLADA) the corpus files themselves, referenced by
# path. Findings land in build-fuzz/artifacts/<name>/; the grown corpus stays in
# build-fuzz/corpus/<name> and is reused by the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [fuzzer ...]}
shift
fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=(mdl ani settings collada gltf)

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, skipping (scripts/install-deps.sh installs it)"
  exit 0
fi

B=build-fuzz
corpus_dir=${VORLAND_CORPUS_DIR:-$PWD/tests/data/corpus}

echo "fuzz: building in $B"
CC=clang CXX=clang++ cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORLAND_CORE_ONLY=ON -DVORLAND_BENCH=OFF -DVORLAND_FUZZ=ON \
  -DVORLAND_SANITIZE=address,undefined -DVORLAND_WERROR=ON >/dev/null
ninja -C "$B" -j2 vorland-fuzzers vorland-cli >/dev/null

# Seeds from the corpus: the .mdl and .ani the tool writes for small models,
# and links to the small COLLADA files (never copies into the project).
gen="$B/seeds"
rm -rf "$gen"
mkdir -p "$gen/mdl" "$gen/ani" "$gen/collada"
if [ -d "$corpus_dir" ]; then
  while IFS= read -r -d '' f; do
    ln -s "$(readlink -f "$f")" "$gen/collada/$(basename "$f")"
  done < <(find "$corpus_dir" -name '*.dae' -size -128k -print0)
  while IFS= read -r -d '' f; do
    base=$(basename "$f" .dae)
    ASAN_OPTIONS=detect_leaks=0 "$B/vorland-cli" convert "$f" "$gen/mdl/$base" >/dev/null 2>&1 || true
    [ -f "$gen/mdl/$base.ani" ] && mv "$gen/mdl/$base.ani" "$gen/ani/"
  done < <(find "$corpus_dir/blender" -name '*.dae' -size -400k -print0 2>/dev/null)
  rm -f "$gen"/mdl/*.tmp-* 2>/dev/null || true
else
  echo "fuzz: no corpus at $corpus_dir; using the project's own seeds only"
fi

# Seeds of the shapes that cost the readers most (many short names, joints,
# nodes and channels, long names and number lists), a few KB each: small
# enough for thousands of runs a second, large enough to show the shape.
# Made here, never kept in the project.
scripts/hostile-inputs.sh "$gen/shapes" 4096
mv "$gen"/shapes/*.mdl "$gen/mdl/"
mv "$gen"/shapes/*.ani "$gen/ani/"
mv "$gen"/shapes/*.dae "$gen/collada/"

# Room for inputs to grow well beyond the seeds.
max_len() {
  case $1 in
    settings) echo 8192 ;;
    mdl | ani) echo 65536 ;;
    *) echo 1048576 ;;
  esac
}

failed=()
for name in "${fuzzers[@]}"; do
  bin="$B/vorland-fuzz-$name"
  work="$B/corpus/$name"
  art="$B/artifacts/$name/"
  log="$B/logs/$name.log"
  mkdir -p "$work" "$art" "$(dirname "$log")"
  # Units grown under a larger limit would only be cut to it, at their old cost.
  find "$work" -type f -size +"$(max_len "$name")"c -delete
  seeds=("fuzz/seeds/$name")
  [ -d "$gen/$name" ] && seeds+=("$gen/$name")
  echo "fuzz: $name for ${seconds}s (log $log)"
  set +e
  "$bin" -max_total_time="$seconds" -max_len="$(max_len "$name")" -timeout=20 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
    -dict="fuzz/dict/$name.dict" -artifact_prefix="$art" \
    "$work" "${seeds[@]}" >"$log" 2>&1
  rc=$?
  set -e
  # The last status line carries coverage; the final stats the executions.
  status=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz: $name: executions ${execs:-?}; $status"
  if [ $rc -ne 0 ]; then
    echo "fuzz: $name FAILED (exit $rc); the end of its log:"
    tail -n 40 "$log"
    ls -l "$art"
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]} (inputs in $B/artifacts/)"
  exit 1
fi
