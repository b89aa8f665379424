#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the
# address/undefined sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DBUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

# A short fuzzing run of each parser (clang's libFuzzer). Each works on a
# copy of its seed corpus, so new inputs never land in the repository; a
# crash stops the script and leaves the input under build-fuzz/.
CC=clang CXX=clang++ cmake -S . -B build-fuzz "${generator[@]}" -DBUILD_FUZZ=ON -DBUILD_TESTING=OFF -DBUILD_BENCH=OFF -DBUILD_GUI=OFF >/dev/null
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for source in fuzz/*_fuzz.cpp; do
  name=$(basename "$source" .cpp)
  seeds=$(sed -n '1s|^// seeds: ||p' "$source")
  [ -n "$seeds" ] || { echo "$source: no '// seeds: DIR' first line" >&2; exit 1; }
  cmake --build build-fuzz -j "$jobs" --target "$name"
  mkdir -p "$corpus/$seeds"
  cp "$seeds"/* "$corpus/$seeds"/
  build-fuzz/fuzz/"$name" -max_total_time="${FUZZ_SECONDS:-15}" -timeout=10 -artifact_prefix=build-fuzz/ "$corpus/$seeds"
done
