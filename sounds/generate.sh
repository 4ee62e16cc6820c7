#!/usr/bin/env bash
# Builds the demo Sounds library: the instructors' phrases and preparation recordings from
# texts/, the background loops and the default music.
#
#   generate.sh OUTPUT_SOUNDS_DIR
#
# Everything is made in a temporary folder next to OUTPUT_SOUNDS_DIR and moved into place at the
# end, so an interrupted run never leaves a half library behind. The file .demo-library.stamp
# inside the library tells the build that the library is complete.
set -euo pipefail

SOUNDS_SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$SOUNDS_SRC/lib/common.sh"
source "$SOUNDS_SRC/lib/voices.sh"
source "$SOUNDS_SRC/lib/backsounds.sh"
source "$SOUNDS_SRC/lib/music.sh"
source "$SOUNDS_SRC/lib/check.sh"

# One job of a parallel run: "speak:<instructor>:<part>", "level:<instructor>",
# "voice:<text file below texts/>", "back:<name>", "music:<index>", "mantra" or
# "check:<what>". Needs LIBRARY and WORK in the environment.
run_job() {
    local job=$1
    local work
    work=$(mktemp -d "$WORK/job.XXXXXX")
    case $job in
        speak:*) IFS=: read -r _ instructor part <<<"$job"
            speak_sentences "$instructor" "$part" "$SPEAK_PARTS" ;;
        level:*) level_sentences "${job#level:}" ;;
        voice:*) make_voice_folder "${job#voice:}" ;;
        back:*) make_backsound "${job#back:}" "$work" ;;
        music:*) make_music_piece "${job#music:}" "$work" ;;
        mantra) make_mantra "$work" ;;
        check:*) check_loudness "${job#check:}" ;;
        *) echo "generate.sh: unknown job $job" >&2; return 1 ;;
    esac
    rm -rf "$work"
}

# Each instructor's sentences are spoken in this many parallel parts.
SPEAK_PARTS=4

# The jobs of the first run: sentences, music and backgrounds; longest first, so that the
# workers finish together.
first_jobs() {
    echo mantra
    local i instructor
    for ((i = 0; i < ${#MUSIC_FILES[@]}; i++)); do echo "music:$i"; done
    for instructor in $(instructors); do
        for ((i = 0; i < SPEAK_PARTS; i++)); do echo "speak:$instructor:$i"; done
    done
    for name in "${BACKSOUND_NAMES[@]}"; do echo "back:$name"; done
}

# The voice recordings, preparations first.
voice_jobs() {
    (cd "$SOUNDS_SRC/texts" && find . -name '*.txt' | sed 's|^\./||' |
        awk -F/ '{ print ($NF ~ /^Nidras/ ? 0 : 1) "\t" $0 }' | LC_ALL=C sort | cut -f2) |
        sed 's/^/voice:/'
}

# run_jobs: the jobs on stdin, as many at a time as there are processors.
run_jobs() {
    xargs -d '\n' -n 1 -P "$(job_slots)" "$SOUNDS_SRC/generate.sh" --job
}

# Jobs that a signal stopped may still be writing for a moment.
cleanup() {
    rm -rf "$LIBRARY" "$WORK" 2>/dev/null || { sleep 1; rm -rf "$LIBRARY" "$WORK"; }
}

main() {
    if (($# != 1)); then
        echo "usage: generate.sh OUTPUT_SOUNDS_DIR" >&2
        return 2
    fi
    check_tools espeak-ng sox lame ffmpeg
    # Absolute: the voice check's list of files is read relative to its own folder.
    local out
    out=$(realpath -m -- "${1%/}")
    mkdir -p "$(dirname "$out")"
    # Left-overs of a run that was killed.
    rm -rf "$out".tmp.* "$out".work.* "$out".old.*

    LIBRARY=$(mktemp -d "$out.tmp.XXXXXX")
    WORK=$(mktemp -d "$out.work.XXXXXX")
    trap cleanup EXIT
    export LIBRARY WORK

    local started=$SECONDS
    collect_sentences
    first_jobs | run_jobs
    instructors | sed 's/^/level:/' | run_jobs
    voice_jobs | run_jobs
    check_jobs | run_jobs

    touch "$LIBRARY/.demo-library.stamp"
    chmod 755 "$LIBRARY"
    if [ -e "$out" ]; then
        mv "$out" "$out.old.$$"
    fi
    mv "$LIBRARY" "$out"
    rm -rf "$out.old.$$"
    echo "Demo sounds: $(du -sh "$out" | cut -f1) in $out, made in $((SECONDS - started)) s"
}

if [ "${1:-}" = --job ]; then
    run_job "$2"
else
    main "$@"
fi
