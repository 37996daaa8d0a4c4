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
  -DVORLAND_SANITIZE=address,undefined >/dev/null
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

# Seeds of the large shapes (many short names, many joints and channels):
# made here, a few hundred KB each, never kept in the project.
awk 'BEGIN {
  printf "[MODEL_ID]\r\nm\r\n<BONE_ARRAY>\r\n"
  for (i = 0; i < 8000; i++) printf "b%d ", i
  printf "\r\n<BONE>\r\n"
  for (i = 0; i < 8000; i++) printf "<BONE_NAME>b%d\r\n<BONE_ID>b%d\r\n<CHILD_COUNT>1\r\n", i, i
}' >"$gen/mdl/many-names.mdl"
awk 'BEGIN {
  printf "[TARGET_MODEL_ID]\r\nm\r\n"
  for (i = 0; i < 6000; i++) printf "<ANIMATION_BEGIN>\r\n<TARGET>b%d\r\n<KEY_TIME>\r\n0 \r\n<POSE_MATRIX>\r\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \r\n<POSE_MATRIX_END>\r\n<ANIMATION_END>\r\n", i
}' >"$gen/ani/many-channels.ani"
awk 'BEGIN {
  n = 6000
  printf "<COLLADA><library_geometries><geometry id=\"g\"><mesh/></geometry></library_geometries>"
  printf "<library_controllers><controller><skin source=\"#g\"><source id=\"j\"><Name_array count=\"%d\">", n
  for (i = 0; i < n; i++) printf "j%d ", i
  printf "</Name_array></source><joints><input semantic=\"JOINT\" source=\"#j\"/><input semantic=\"INV_BIND_MATRIX\" source=\"#m\"/></joints>"
  printf "<vertex_weights count=\"1\"><input semantic=\"JOINT\"/><input semantic=\"WEIGHT\" source=\"#w\"/><vcount>0</vcount><v/></vertex_weights></skin></controller></library_controllers><library_animations>"
  for (i = 0; i < n; i += 4) printf "<animation><source id=\"t\"><float_array count=\"1\">0</float_array></source><source id=\"m\"><float_array count=\"16\">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source><sampler id=\"s\"><input semantic=\"INPUT\" source=\"#t\"/><input semantic=\"OUTPUT\" source=\"#m\"/></sampler><channel source=\"#s\" target=\"j%d/transform\"/></animation>", i
  printf "</library_animations><library_visual_scenes><visual_scene><node id=\"r\">"
  for (i = 0; i < n; i++) printf "<node id=\"j%d\" sid=\"j%d\" type=\"JOINT\"/>", i, i
  printf "</node></visual_scene></library_visual_scenes></COLLADA>\n"
}' >"$gen/collada/many-joints.dae"

# Long enough for the seeds above, so mutations reach their shapes.
max_len() {
  case $1 in
    settings) echo 8192 ;;
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
