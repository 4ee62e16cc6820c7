# Voice phrases and preparation recordings, spoken by espeak-ng from texts/ (sourced by
# generate.sh).
#
# texts/<Instructor>/<Folder>.txt holds one phrase per line and gives one MP3 per line in
# Sounds/<Instructor>/<Folder>/, named by line number (01.mp3, 02.mp3, ...), so the program's
# name order is the line order. A file named Nidras*.txt is one preparation recording: its lines
# are spoken as one piece with pauses between them, into 01.mp3.

VOICE_KBPS=32
SENTENCE_PAUSE=650ms
LINE_PAUSE=2s

# espeak-ng voice of each instructor: a calm male and a calm female Russian voice.
voice_options() {
    case $1 in
        Ostrel) echo "-v ru+m3 -p 38 -s 135" ;;
        Marvane) echo "-v ru+f3 -p 50 -s 140" ;;
        *) echo "generate.sh: no voice for instructor $1" >&2; return 1 ;;
    esac
}

# phrase_lines FILE: the non-empty lines, trimmed, without carriage returns.
phrase_lines() {
    sed -e 's/\r$//' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' "$1" | grep -v '^$' || true
}

# to_ssml: a phrase (stdin) as SSML with a short pause after every sentence.
to_ssml() {
    sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' \
        -e "s#\([.!?…]\)[[:space:]]\+#\1<break time=\"$SENTENCE_PAUSE\"/> #g"
}

# speak INSTRUCTOR SSML_FILE OUT.mp3 WORK_DIR
speak() {
    local instructor=$1 ssml=$2 out=$3 work=$4 options
    options=$(voice_options "$instructor")
    # shellcheck disable=SC2086  # the options are words
    espeak-ng -m $options -w "$work/raw.wav" -f "$ssml"
    # Gently compressed and peaking near -1 dBFS, so that phrases stand well above the
    # background; a little air around each phrase.
    "${SOX[@]}" "$work/raw.wav" "$work/voice.wav" highpass 70 \
        compand 0.005,0.2 6:-70,-70,-45,-20,-20,-9,0,-4 0 -90 0.03 pad 0.15 0.4 gain -n -1.5
    encode_mp3 "$work/voice.wav" "$out" "$VOICE_KBPS"
}

# make_voice_folder TEXT (relative to texts/) WORK_DIR
make_voice_folder() {
    local text=$1 work=$2
    local source="$SOUNDS_SRC/texts/$text"
    local instructor=${text%%/*}
    local folder="$LIBRARY/${text%.txt}"
    local lines=()
    mapfile -t lines < <(phrase_lines "$source")
    if ((${#lines[@]} == 0)); then
        echo "generate.sh: texts/$text holds no phrase" >&2
        return 1
    fi
    mkdir -p "$folder"
    if [[ $(basename "$text") == Nidras* ]]; then
        {
            echo "<speak>"
            local line
            for line in "${lines[@]}"; do
                printf '%s<break time="%s"/>\n' "$(to_ssml <<<"$line")" "$LINE_PAUSE"
            done
            echo "</speak>"
        } >"$work/phrase.ssml"
        speak "$instructor" "$work/phrase.ssml" "$folder/01.mp3" "$work"
        return
    fi
    local width=${#lines[@]}
    width=${#width}
    ((width >= 2)) || width=2
    local i
    for ((i = 0; i < ${#lines[@]}; i++)); do
        printf '<speak>%s</speak>\n' "$(to_ssml <<<"${lines[i]}")" >"$work/phrase.ssml"
        speak "$instructor" "$work/phrase.ssml" "$(printf '%s/%0*d.mp3' "$folder" "$width" $((i + 1)))" "$work"
    done
}
