#!/usr/bin/env bash
# CI: fuzzes the key and reply parser (libFuzzer, ASan and UBSan) for a
# bounded time. FUZZ_SECONDS sets it (30 by default). Exits
# non-zero, with the input that failed, if any check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}

. .ci/need.sh
# clang, and its sanitizer and fuzzer runtimes (only recommended by clang).
need clang
need "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"

cmake --preset fuzz
cmake --build --preset fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
./build-fuzz/tests/fuzz/keys_fuzz -max_total_time="$seconds" -dict=tests/fuzz/keys.dict \
    -artifact_prefix=build-fuzz/ -print_final_stats=1 "$corpus" 2>&1 |
    grep -vE '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)'
