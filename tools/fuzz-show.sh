#!/usr/bin/env bash
# Fuzzes the show file reader with libFuzzer under AddressSanitizer, leak
# detection and UndefinedBehaviorSanitizer for a given number of seconds
# (default 300). Not part of the test suite.
#   bash tools/fuzz-show.sh [SECONDS] [extra libFuzzer options...]
# Builds into build-fuzz/; new inputs found go to build-fuzz/corpus-show/
# (the seeds in tests/show/corpus/ are never changed), crashes to
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true

need=()
command -v clang++-14 >/dev/null || need+=(clang-14)
[ -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ] || ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libfuzzer-14-dev)
pkg-config --exists Qt6Core || need+=(qt6-base-dev)
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

out=build-fuzz
mkdir -p "$out/corpus-show" "$out/artifacts"
flags=(-std=c++20 -O1 -g -fPIC -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -Isrc $(pkg-config --cflags Qt6Core))
clang++-14 "${flags[@]}" \
    tools/fuzz/ShowReaderFuzzer.cpp src/show/ShowDocument.cpp src/platform/Json.cpp \
    src/media/LiveSource.cpp src/media/LiveSourceKind.cpp \
    $(pkg-config --libs Qt6Core) -o "$out/show_reader_fuzzer"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
"$out/show_reader_fuzzer" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -dict=tools/fuzz/show.dict -artifact_prefix="$out/artifacts/" -print_final_stats=1 \
    "$@" "$out/corpus-show" tests/show/corpus
