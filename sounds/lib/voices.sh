# Voice phrases and preparation recordings, spoken by espeak-ng from texts/ (sourced by
# generate.sh).
#
# texts/<Instructor>/<Folder>.txt holds one phrase per line and gives one MP3 per line in
# Sounds/<Instructor>/<Folder>/, named by line number (01.mp3, 02.mp3, ...), so the program's
# name order is the line order. A file named Nidras*.txt is one preparation recording: its lines
# are spoken as one piece into 01.mp3, with pauses that grow towards the end so that the whole
# lasts as long as the title in its first comment line says ("# ... (7 мин.)"). Lines starting
# with "#" are comments.
#
# Every sentence is spoken once per instructor, however often the texts repeat it, shaped and
# brought to the instructor's loudness; the recordings are then put together from these
# sentences and silence as raw samples, and each is encoded once.

VOICE_RATE=22050
# Integrated loudness of every sentence (mono, EBU R128): two speakers playing the same mono
# signal sound like -16 LUFS stereo, the usual level of spoken word.
VOICE_LUFS=-19
# Speech at 16 kHz; average bit rate, so that the long silences cost little.
VOICE_LAME=(--abr 24 -b 8 --resample 16)
# Silence, in seconds: before and after each phrase file, and between sentences of a line.
PHRASE_LEAD=0.3
PHRASE_TAIL=0.5
SENTENCE_GAP=0.9
# Preparations: the first pause between lines and the growth of the last over the first; the
# first pause must come out between these bounds, or the text does not fit its title.
PAUSE_GROWTH=2
PAUSE_MIN=2.5
PAUSE_MAX=14
PREPARATION_LEAD=1.5
PREPARATION_TAIL=4

# espeak-ng voice of each instructor: slow, with gaps between words; the male voice low.
voice_options() {
    case $1 in
        Ostrel) echo "-v ru+m3 -p 25 -s 100 -g 5" ;;
        Marvane) echo "-v ru+f4 -p 45 -s 108 -g 4" ;;
        *) echo "generate.sh: no voice for instructor $1" >&2; return 1 ;;
    esac
}

# Soft high cut, gentle compression, fades of 6 ms at both ends of the speech, room for the
# tail of a small room's reverb, a limiter on the sharp peaks of plosives (so that the level
# leaves headroom), and a last fade so that the sentence ends on silence.
VOICE_SHAPE=(gain -4 highpass 90 lowpass 4500 treble -3
    compand 0.01,0.25 6:-70,-70,-40,-30,-20,-17,0,-9 0 -90 0.02
    fade q 0.006 reverse fade q 0.006 reverse
    pad 0.05 0.6 reverb 30 70 35 100 15 -6
    compand 0,0.05 1:-16,-16,0,-14 0 -90 0.001
    reverse fade q 0.01 reverse)

RAW=(-t raw -r "$VOICE_RATE" -e signed -b 16 -c 1)

instructors() {
    (cd "$SOUNDS_SRC/texts" && find . -mindepth 1 -maxdepth 1 -type d | sed 's|^\./||' |
        LC_ALL=C sort)
}

# sentences FILE: "<line number>\t<sentence>" for each sentence of each phrase line, in order;
# a sentence ends at . ! ? or … followed by a space.
sentences() {
    sed -e 's/\r$//' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' "$1" |
        awk '!/^#/ && NF { print ++n "\t" $0 }' |
        sed -E 's/(\.|!|\?|…)[[:space:]]+/\1\n\t/g' |
        awk -F'\t' 'NF == 2 && $1 != "" { line = $1; print; next } { print line "\t" $2 }'
}

# preparation_minutes FILE: the minutes that the title in the first comment line promises.
preparation_minutes() {
    sed -n -E '0,/^#/{s/^#.*\(([0-9]+) мин.*/\1/p}' "$1"
}

# seconds_bytes SECONDS: bytes of that much raw silence.
seconds_bytes() {
    awk -v s="$1" -v r="$VOICE_RATE" 'BEGIN { printf "%d\n", int(s * r + 0.5) * 2 }'
}

silence() {
    head -c "$1" /dev/zero
}

# collect_sentences: every distinct sentence of each instructor, one per line, in
# $WORK/<instructor>/sentences.txt; the line number is the sentence's id.
collect_sentences() {
    local instructor
    for instructor in $(instructors); do
        mkdir -p "$WORK/$instructor/raw" "$WORK/$instructor/level"
        find "$SOUNDS_SRC/texts/$instructor" -name '*.txt' | LC_ALL=C sort |
            while read -r text; do sentences "$text"; done |
            cut -f2 | awk '!seen[$0]++' >"$WORK/$instructor/sentences.txt"
        if ! [ -s "$WORK/$instructor/sentences.txt" ]; then
            echo "generate.sh: texts/$instructor holds no phrase" >&2
            return 1
        fi
    done
}

# speak_sentences INSTRUCTOR PART PARTS: speaks the sentences whose id is PART modulo PARTS.
speak_sentences() {
    local instructor=$1 part=$2 parts=$3 dir="$WORK/$1" options id=0 text work
    options=$(voice_options "$instructor")
    work=$(mktemp -d "$dir/speak.XXXXXX")
    while IFS= read -r text; do
        id=$((id + 1))
        ((id % parts == part)) || continue
        # shellcheck disable=SC2086  # the options are words
        espeak-ng $options -w "$work/espeak.wav" "$text"
        "${SOX[@]}" "$work/espeak.wav" "${RAW[@]}" "$dir/raw/$id.raw" "${VOICE_SHAPE[@]}"
    done <"$dir/sentences.txt"
    rm -rf "$work"
}

# measure_lufs_blocks: reads raw voice samples on stdin, prints "<end second> <momentary
# LUFS>" for every 400 ms block, 100 ms apart (ffmpeg's EBU R128 meter).
measure_lufs_blocks() {
    ffmpeg -nostdin -hide_banner -nostats -f s16le -ar "$VOICE_RATE" -ac 1 -i - \
        -af ebur128 -f null - 2>&1 |
        sed -n -E 's/.* t: *([0-9.]+) .* M: *(-?[0-9.]+) .*/\1 \2/p'
}

# Gated loudness (EBU R128) of runs of blocks: awk functions shared by the level and the check.
R128_AWK='
function energy(lufs) { return 10 ^ ((lufs + 0.691) / 10) }
function gated(n, sum, i, m, kept, gate) {
    sum = 0; m = 0
    for (i = 1; i <= n; i++) if (block[i] > -70) { sum += energy(block[i]); m++ }
    if (m == 0) return -99
    gate = -0.691 + 10 * log(sum / m) / log(10) - 10
    sum = 0; kept = 0
    for (i = 1; i <= n; i++) if (block[i] > -70 && block[i] > gate) { sum += energy(block[i]); kept++ }
    return -0.691 + 10 * log(sum / kept) / log(10)
}'

# level_sentences INSTRUCTOR: measures every sentence in one pass (each followed by a gap of
# silence) and writes it again at the instructor's loudness.
level_sentences() {
    local instructor=$1 dir="$WORK/$1" count gap
    count=$(wc -l <"$dir/sentences.txt")
    gap=$(seconds_bytes 1)
    local id
    for ((id = 1; id <= count; id++)); do
        echo "$(($(stat -c %s "$dir/raw/$id.raw") / 2))"
    done >"$dir/samples.txt"
    for ((id = 1; id <= count; id++)); do
        cat "$dir/raw/$id.raw"
        silence "$gap"
    done | measure_lufs_blocks >"$dir/blocks.txt"
    # The blocks that lie within a sentence and half of the gaps beside it belong to it.
    awk -v rate="$VOICE_RATE" -v target="$(awk -v t="$VOICE_LUFS" -v l="$ENCODER_LOSS_LU" 'BEGIN { print t + l }')" "$R128_AWK"'
        FNR == NR { start[NR] = t; t += $1 / rate + 1; end[NR] = t - 0.5; count = NR; next }
        { while (s <= count && $1 > end[s] + 0.5) s++
          if (s > count) next
          if ($1 - 0.4 >= start[s] - 0.5) { n[s]++; b[s, n[s]] = $2 } }
        END { for (s = 1; s <= count; s++) {
                  delete block
                  for (i = 1; i <= n[s]; i++) block[i] = b[s, i]
                  l = gated(n[s])
                  if (l < -60) { print "sentence " s " is silent" > "/dev/stderr"; exit 1 }
                  printf "%d %.4f\n", s, 10 ^ ((target - l) / 20) } }
    ' "$dir/samples.txt" s=1 "$dir/blocks.txt" >"$dir/gains.txt"
    local factor
    while read -r id factor; do
        "${SOX[@]}" -v "$factor" "${RAW[@]}" "$dir/raw/$id.raw" "${RAW[@]}" "$dir/level/$id.raw"
    done <"$dir/gains.txt"
}

# sentence_ids INSTRUCTOR TEXT: "<line number>\t<sentence id>" for each sentence of TEXT.
sentence_ids() {
    sentences "$2" | awk -F'\t' '
        FNR == NR { id[$0] = NR; next }
        { print $1 "\t" id[$2] }' "$WORK/$1/sentences.txt" -
}

# encode_voice OUT.mp3: raw voice samples from stdin. (Lame built with libsndfile warns that
# raw input might be read with seeks; it reads a pipe straight through.)
encode_voice() {
    mkdir -p "$(dirname "$1")"
    lame --quiet --nohist -r -s "$(awk -v r="$VOICE_RATE" 'BEGIN { print r / 1000 }')" \
        --bitwidth 16 --signed --little-endian -m m "${VOICE_LAME[@]}" - "$1" \
        2> >(grep -v -e libsndfile -e 'Compile without' >&2 || true)
}

# line_samples DIR LINE IDS...: the raw samples of one line's sentences with their gaps.
line_samples() {
    local dir=$1 gap first=1 id
    gap=$(seconds_bytes "$SENTENCE_GAP")
    shift
    for id in "$@"; do
        ((first)) || silence "$gap"
        first=0
        cat "$dir/level/$id.raw"
    done
}

# make_voice_folder TEXT (relative to texts/)
make_voice_folder() {
    local text=$1
    local source="$SOUNDS_SRC/texts/$text"
    local instructor=${text%%/*}
    local folder="$LIBRARY/${text%.txt}"
    local dir="$WORK/$instructor"
    local -a line_ids=()
    local line id
    while IFS=$'\t' read -r line id; do
        line_ids[line]+="$id "
    done < <(sentence_ids "$instructor" "$source")
    if ((${#line_ids[@]} == 0)); then
        echo "generate.sh: texts/$text holds no phrase" >&2
        return 1
    fi
    mkdir -p "$folder"
    if [[ $(basename "$text") == Nidras* ]]; then
        make_preparation "$text" "$folder/01.mp3" "${line_ids[@]}"
        return
    fi
    local width=${#line_ids[@]}
    width=${#width}
    ((width >= 2)) || width=2
    local lead tail n
    lead=$(seconds_bytes "$PHRASE_LEAD")
    tail=$(seconds_bytes "$PHRASE_TAIL")
    for n in "${!line_ids[@]}"; do
        # shellcheck disable=SC2086  # the ids are words
        { silence "$lead"; line_samples "$dir" ${line_ids[n]}; silence "$tail"; } |
            encode_voice "$(printf '%s/%0*d.mp3' "$folder" "$width" "$n")"
    done
}

# make_preparation TEXT OUT.mp3 LINE_IDS...: the lines with growing pauses, as long as the
# title says.
make_preparation() {
    local text=$1 out=$2
    shift 2
    local lines=("$@") dir="$WORK/${text%%/*}" minutes
    minutes=$(preparation_minutes "$SOUNDS_SRC/texts/$text")
    if [ -z "$minutes" ]; then
        echo "generate.sh: texts/$text has no title with minutes in its first comment" >&2
        return 1
    fi
    local speech=0 n id
    for n in "${!lines[@]}"; do
        local count=0
        for id in ${lines[n]}; do
            speech=$((speech + $(stat -c %s "$dir/level/$id.raw")))
            count=$((count + 1))
        done
        speech=$((speech + (count - 1) * $(seconds_bytes "$SENTENCE_GAP")))
    done
    # Pause k of the n - 1 pauses lasts first * (1 + growth * k / (n - 2)).
    local pauses
    pauses=$(awk -v total="$((minutes * 60))" -v speech="$speech" -v rate="$VOICE_RATE" \
        -v n="${#lines[@]}" -v lead="$PREPARATION_LEAD" -v tail="$PREPARATION_TAIL" \
        -v growth="$PAUSE_GROWTH" -v min="$PAUSE_MIN" -v max="$PAUSE_MAX" -v text="$text" '
        BEGIN {
            free = total - lead - tail - speech / 2 / rate
            first = n > 1 ? free / ((n - 1) * (1 + growth / 2)) : 0
            if (first < min || first > max) {
                printf "generate.sh: texts/%s: the first pause would last %.1f s (%s to %s s fit); lengthen or shorten the text\n", text, first, min, max > "/dev/stderr"
                exit 1
            }
            for (k = 0; k < n - 1; k++)
                printf "%d\n", int(first * (1 + growth * (n > 2 ? k / (n - 2) : 0)) * rate + 0.5) * 2
        }') || return 1
    local -a pause_bytes
    mapfile -t pause_bytes <<<"$pauses"
    {
        silence "$(seconds_bytes "$PREPARATION_LEAD")"
        for n in "${!lines[@]}"; do
            # shellcheck disable=SC2086  # the ids are words
            line_samples "$dir" ${lines[n]}
            if ((n < ${#lines[@]} - 1)); then silence "${pause_bytes[n]}"; fi
        done
        silence "$(seconds_bytes "$PREPARATION_TAIL")"
    } | encode_voice "$out"
}
