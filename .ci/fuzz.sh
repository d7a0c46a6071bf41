#!/usr/bin/env bash
# CI: fuzzes the key decoder, key table and reply filter (libFuzzer, ASan and
# UBSan) for a bounded time. FUZZ_SECONDS sets it (30 by default). Exits
# non-zero, with the input that failed, if any check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}

# clang, and its fuzzer runtime (only recommended by Debian's clang).
fuzzer_links() {
    echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
        clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o /tmp/fuzz-probe.$$ 2>/dev/null
    local ok=$?
    rm -f /tmp/fuzz-probe.$$
    return $ok
}
if ! command -v clang++ >/dev/null || ! fuzzer_links; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq clang >/dev/null
    if ! fuzzer_links; then
        major=$(clang++ -dumpversion | cut -d. -f1)
        apt-get install -y -qq "libclang-rt-$major-dev" >/dev/null
    fi
fi

cmake --preset fuzz
cmake --build --preset fuzz
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
./build-fuzz/tests/fuzz/keys_fuzz -max_total_time="$seconds" -dict=tests/fuzz/keys.dict \
    -artifact_prefix=build-fuzz/ -print_final_stats=1 "$corpus" 2>&1 |
    grep -vE '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)'
