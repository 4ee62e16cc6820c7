# The loudness check of the finished library (sourced by generate.sh): a file off its level
# fails the build of the library.
#
# Voice: every phrase (a run of 400 ms blocks above -70 LUFS, between silences of more than
# PHRASE_SILENCE_BLOCKS blocks: the slow voice pauses briefly at commas) of every recording
# within LOUDNESS_TOLERANCE of VOICE_LUFS. Music and backgrounds: each file's
# integrated loudness within LOUDNESS_TOLERANCE of its own level.

LOUDNESS_TOLERANCE=1
PHRASE_SILENCE_BLOCKS=3
# Sample peaks stay below this, in dBFS.
PEAK_LIMIT_DB=-0.5

check_jobs() {
    instructors | sed 's/^/check:voice:/'
    echo check:others
}

# check_loudness voice:<instructor> | others
check_loudness() {
    case $1 in
        voice:*) check_voice "${1#voice:}" ;;
        others) check_others ;;
    esac
}

# check_voice INSTRUCTOR: all the instructor's recordings decoded in one pass.
check_voice() {
    local instructor=$1 list
    list=$(mktemp "$WORK/check.XXXXXX")
    find "$LIBRARY/$instructor" -name '*.mp3' | LC_ALL=C sort |
        sed -e "s/'/'\\\\''/g" -e "s/^/file '/" -e "s/$/'/" >"$list"
    ffmpeg -nostdin -hide_banner -nostats -f concat -safe 0 -i "$list" \
        -af ebur128=peak=sample -f null - 2>&1 |
        awk -v target="$VOICE_LUFS" -v tolerance="$LOUDNESS_TOLERANCE" \
            -v peak_limit="$PEAK_LIMIT_DB" -v who="$instructor" \
            -v pause="$PHRASE_SILENCE_BLOCKS" "$R128_AWK"'
        BEGIN { low = 99; high = -99 }
        function close_phrase(l) {
            if (n == 0) return
            l = gated(n); phrases++
            if (l < low) low = l
            if (l > high) high = l
            if (l < target - tolerance || l > target + tolerance) {
                printf "generate.sh: %s: the phrase ending at %.1f s of the voice check is at %.1f LUFS, not %s\n", who, t, l, target > "/dev/stderr"
                bad++
            }
            n = 0
        }
        / t: .* M: / {
            sub(/.* t: */, ""); t = $1
            sub(/.* M: */, ""); m = $1 + 0
            if (m > -70) { block[++n] = m; quiet = 0 }
            else if (++quiet > pause) close_phrase()
            next
        }
        /^ *Peak:/ { peak = $2 }
        END {
            close_phrase()
            if (phrases == 0) { print "generate.sh: no voice of " who " to check" > "/dev/stderr"; exit 1 }
            if (peak + 0 > peak_limit) { printf "generate.sh: %s peaks at %s dBFS\n", who, peak > "/dev/stderr"; bad++ }
            printf "Voice %s: %d phrases at %.1f to %.1f LUFS, peak %s dBFS\n", who, phrases, low, high, peak
            exit bad > 0
        }'
    local status=$?
    rm -f "$list"
    return $status
}

# file_loudness FILE: "<integrated LUFS> <sample peak dBFS>".
file_loudness() {
    ffmpeg -nostdin -hide_banner -nostats -i "$1" -af ebur128=peak=sample -f null - 2>&1 |
        awk '/^ *I:/ { i = $2 } /^ *Peak:/ { p = $2 } END { print i, p }'
}

# check_file FILE TARGET_LUFS
check_file() {
    local file=$1 target=$2 lufs peak
    read -r lufs peak < <(file_loudness "$file")
    echo "${file#"$LIBRARY"/}: $lufs LUFS (level $target), peak $peak dBFS"
    awk -v l="$lufs" -v t="$target" -v tol="$LOUDNESS_TOLERANCE" -v p="$peak" \
        -v limit="$PEAK_LIMIT_DB" 'BEGIN { exit !(l >= t - tol && l <= t + tol && p <= limit) }' ||
        { echo "generate.sh: ${file#"$LIBRARY"/} is off its level" >&2; return 1; }
}

check_others() {
    local name i path bad=0
    for name in "${BACKSOUND_NAMES[@]}"; do
        check_file "$LIBRARY/BackSounds/$name.mp3" "$(backsound_lufs "$name")" || bad=1
    done
    for ((i = 0; i < ${#MUSIC_FILES[@]}; i++)); do
        path=${MUSIC_FILES[i]%%|*}
        check_file "$LIBRARY/$path" "$MUSIC_LUFS" || bad=1
    done
    check_file "$LIBRARY/$MANTRA_FILE" "$MUSIC_LUFS" || bad=1
    return $bad
}
