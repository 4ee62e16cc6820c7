#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for the given time, starting from a corpus of valid files.
#
#   fuzz/run.sh [SECONDS [TARGET...]]      SECONDS per target, 600 by default
#
# NESVARA_FUZZ_PARALLEL=N runs up to N targets at once (default 1). The corpora grow in
# build-fuzz/corpus/<target>/ from run to run; anything found lands in
# build-fuzz/findings/<target>/ and is listed at the end. Rerun one input with
#   build-fuzz/bin/<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-600}
shift || true
TARGETS=("$@")
if ((${#TARGETS[@]} == 0)); then
    TARGETS=(fuzz_options fuzz_playlists fuzz_mp3decoder)
fi
PARALLEL=${NESVARA_FUZZ_PARALLEL:-1}
BUILD_DIR=build-fuzz

# Not in scripts/setup.sh: the normal build and CI do not fuzz.
PACKAGES=(clang libclang-rt-14-dev llvm cmake pkg-config qt6-base-dev libsdl2-dev libmpg123-dev sox lame)
scripts/install-packages.sh "${PACKAGES[@]}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNESVARA_FUZZ=ON -DNESVARA_SANITIZE=ON -DNESVARA_DEMO_SOUNDS=OFF \
        -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
fi
cmake --build "$BUILD_DIR" -j2 --target "${TARGETS[@]}" make_fuzz_seeds >/dev/null

# Seeds: valid files written by the program's own savers, and short MP3 files of every
# kind the player meets.
SEEDS=$BUILD_DIR/corpus/seeds
export ASAN_OPTIONS=detect_leaks=0
"$BUILD_DIR/bin/make_fuzz_seeds" "$SEEDS/fuzz_options" "$SEEDS/fuzz_playlists"
mkdir -p "$SEEDS/fuzz_mp3decoder"
make_mp3() { # NAME SECONDS RATE CHANNELS LAME-OPTIONS...
    local name=$1 seconds=$2 rate=$3 channels=$4
    shift 4
    local out=$SEEDS/fuzz_mp3decoder/$name.mp3
    [ -f "$out" ] && return
    sox -n -r "$rate" -c "$channels" -b 16 "$out.wav" synth "$seconds" sine 440 vol 0.5
    lame --quiet "$@" "$out.wav" "$out"
    rm -f "$out.wav"
}
make_mp3 cbr_44100_stereo 0.2 44100 2 -b 64
make_mp3 vbr_48000_stereo 0.2 48000 2 -V 6
make_mp3 cbr_32000_id3 0.2 32000 2 -b 48 --add-id3v2 --tt Seed
make_mp3 cbr_22050_mono 0.3 22050 1 -m m -b 32
make_mp3 vbr_16000_stereo 0.3 16000 2 -V 8
make_mp3 cbr_11025_mono 0.4 11025 1 -m m -b 16
make_mp3 cbr_8000_mono 0.4 8000 1 -m m -b 8
make_mp3 untagged_44100_joint 0.2 44100 2 -t -m j -b 32

max_len() {
    case $1 in
        fuzz_options) echo 256 ;;
        fuzz_playlists) echo 8192 ;;
        *) echo 16384 ;;
    esac
}

run_target() {
    local target=$1
    local corpus=$BUILD_DIR/corpus/$target findings=$BUILD_DIR/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "Fuzzing $target for $SECONDS_PER_TARGET s"
    # Leaks are checked too; -malloc_limit_mb catches a loader that trusts a declared size.
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer || true) \
        "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_PER_TARGET" \
        -max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 \
        -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "$SEEDS/$target" >"$BUILD_DIR/$target.log" 2>&1 || true
}

running=0
for target in "${TARGETS[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if ((running >= PARALLEL)); then
        wait -n
        running=$((running - 1))
    fi
done
wait

echo
printf '%-18s %10s %12s %10s %8s  %s\n' target seconds executions exec/s corpus findings
for target in "${TARGETS[@]}"; do
    log=$BUILD_DIR/$target.log
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    corpus=$(find "$BUILD_DIR/corpus/$target" -type f | wc -l)
    found=$(find "$BUILD_DIR/findings/$target" -type f | wc -l)
    printf '%-18s %10s %12s %10s %8s  %s\n' "$target" "${took:-?}" "${runs:-?}" "${speed:-?}" \
        "$corpus" "$found"
    if grep -qE '^==[0-9]+==ERROR|^SUMMARY|fuzz check failed|deadly signal' "$log"; then
        grep -E '^==[0-9]+==ERROR|^SUMMARY|fuzz check failed|deadly signal' "$log" | head -5 | sed 's/^/    /'
    fi
done
findings=$(find "$BUILD_DIR/findings" -type f | sort)
if [ -n "$findings" ]; then
    echo
    echo "Inputs that failed (rerun one with $BUILD_DIR/bin/<target> <file>):"
    echo "$findings" | sed 's/^/    /'
    exit 1
fi
