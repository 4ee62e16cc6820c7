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

# One job of the parallel run: "voice:<text file below texts/>", "back:<name>", "music:<index>"
# or "mantra". Needs LIBRARY and WORK in the environment.
run_job() {
    local job=$1
    local work
    work=$(mktemp -d "$WORK/job.XXXXXX")
    case $job in
        voice:*) make_voice_folder "${job#voice:}" "$work" ;;
        back:*) make_backsound "${job#back:}" "$work" ;;
        music:*) make_music_piece "${job#music:}" "$work" ;;
        mantra) make_mantra "$work" ;;
        *) echo "generate.sh: unknown job $job" >&2; return 1 ;;
    esac
    rm -rf "$work"
}

# Longest jobs first, so that the two workers finish together.
list_jobs() {
    echo mantra
    local i
    for ((i = 0; i < ${#MUSIC_FILES[@]}; i++)); do echo "music:$i"; done
    for name in "${BACKSOUND_NAMES[@]}"; do echo "back:$name"; done
    (cd "$SOUNDS_SRC/texts" && find . -name '*.txt' | sed 's|^\./||' | LC_ALL=C sort) |
        sed 's/^/voice:/'
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
    check_tools espeak-ng sox lame
    local out=${1%/}
    mkdir -p "$(dirname "$out")"
    # Left-overs of a run that was killed.
    rm -rf "$out".tmp.* "$out".work.* "$out".old.*

    LIBRARY=$(mktemp -d "$out.tmp.XXXXXX")
    WORK=$(mktemp -d "$out.work.XXXXXX")
    trap cleanup EXIT
    export LIBRARY WORK

    list_jobs | xargs -d '\n' -n 1 -P "$(job_slots)" "$SOUNDS_SRC/generate.sh" --job

    touch "$LIBRARY/.demo-library.stamp"
    chmod 755 "$LIBRARY"
    if [ -e "$out" ]; then
        mv "$out" "$out.old.$$"
    fi
    mv "$LIBRARY" "$out"
    rm -rf "$out.old.$$"
    echo "Demo sounds: $(du -sh "$out" | cut -f1) in $out"
}

if [ "${1:-}" = --job ]; then
    run_job "$2"
else
    main "$@"
fi
