#!/usr/bin/env bash
# Fuzzes the .ani reader for a minute with libFuzzer under ASan + UBSan.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build-fuzz/ani
mkdir -p "$out/corpus"
cp tests/fuzz/ani_seeds/* "$out/corpus/"
# Small seeds of many channels and long names and key lists (see scripts/hostile-inputs.sh).
scripts/hostile-inputs.sh "$out/shapes" 4096
cp "$out"/shapes/*.ani "$out/corpus/"
# The whole platform folder, so that a new helper file there needs no edit here.
sources=(tests/fuzz/ani_fuzz.cpp model/ani_file.cpp model/array.cpp model/model.cpp
         model/pose.cpp model/render_model.cpp math/math.cpp platform/*.cpp)
clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
        "${sources[@]}" -o "$out/ani_fuzz"
"$out/ani_fuzz" -max_total_time="${VORLAND_FUZZ_SECONDS:-60}" -max_len=65536 -rss_limit_mb=2048 \
                -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 15
echo "ani fuzz: 1 passed, 0 failed"
