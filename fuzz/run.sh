#!/bin/sh
# Builds the index reader's fuzz target with clang and runs it.
#   fuzz/run.sh [seconds]        (default 600; the build goes to build-fuzz/ beside fuzz/)
# Crashes are written to build-fuzz/artifacts/, the growing corpus to build-fuzz/corpus/.
# One job at low priority, so that it can run beside other work.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD:-$here/../build-fuzz}
seconds=${1:-600}
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
"$here/make-seeds.sh" "$build/seeds"
mkdir -p "$build/corpus" "$build/artifacts"
cd "$build"
exec nice -n 10 ./fuzz_idxreader -jobs=1 -workers=1 -max_total_time="$seconds" -max_len=8192 \
    -dict="$here/idx.dict" \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/" corpus seeds
