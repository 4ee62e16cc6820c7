# Default music: gentle synthesised pieces of about three minutes (soft chord pads under a slow
# bell melody) and the mantra (sourced by generate.sh). The paths are the ones the default music
# playlists name. A piece opens with the pads alone, the melody comes in phrases that return
# (A A B A), and the piece ends on its first chord, held and fading.

MUSIC_KBPS=64
# Melody steps in a phrase, and which of two phrases each phrase of the melody plays.
MELODY_PHRASE=8
MELODY_FORM=(0 0 1 0)

# Path below Sounds | chords (notes joined by "_") | seconds per chord | number of chords |
# melody notes | melody step in hundredths of a second | random seed. The number of chords is
# one more than a multiple of the chords, so that the last chord is the first again.
MUSIC_FILES=(
    "Music/Collection/01_Larinov/Utrenniy svet.mp3|C3_G3_B3_E4 A2_E3_G3_C4 F2_C3_E3_A3 G2_D3_E3_B3|8|21|C5 D5 E5 G5 A5|90|101"
    "Music/Collection/01_Larinov/Tikhaya voda.mp3|D3_A3_C#4_E4 B2_F#3_A3_D4 G2_D3_F#3_B3 A2_E3_A3_D4|9|17|D5 E5 F#5 A5 B5|110|102"
    "Music/Collection/02_Larinov/Zvyozdnoe nebo.mp3|A2_E3_A3_C4 F2_C3_A3_C4 C3_G3_C4_E4 G2_D3_G3_B3|8|21|A5 C6 D6 E6 G6|70|103"
    "Music/Collection/02_Larinov/Nochnoy sad.mp3|E2_B2_G3_F#4 C3_G3_B3_E4 A2_E3_G3_C4 B2_F#3_B3_E4|10|17|E5 G5 A5 B5 D6|120|104"
    "Music/Collection/03_Vedenskaya/Gornoe ozero.mp3|G2_D3_B3_D4 E2_B2_G3_B3 C3_G3_C4_E4 D3_A3_D4_F#4|9|17|G4 A4 B4 D5 E5|100|105"
    "Music/Collection/03_Vedenskaya/Oblaka.mp3|F2_C3_E3_A3 D3_A3_C4_F4 A#2_F3_A3_D4 C3_G3_C4_E4|8|21|F5 G5 A5 C6 D6|80|106"
    "Music/Collection/04_Vedenskaya/Dolgiy vydokh.mp3|D2_A2_F3_A3 A#1_F2_D3_A#3 G2_D3_A#3_D4 A2_E3_C#4_E4|12|13|D5 F5 G5 A5 C6|150|107"
)
MANTRA_FILE="Music/mantras/Mantra Ne Dumay - Dlya ostanovki vnutrennego dialoga.mp3"
# Overlap of neighbouring chords, seconds.
CHORD_OVERLAP=3

# semitones NOTE: the note (C4, F#3, A#1) in semitones from A4, as sox's "%" notation wants.
semitones() {
    local name=${1%[0-9]} octave=${1##*[!0-9]} step
    case $name in
        C) step=0 ;; C#) step=1 ;; D) step=2 ;; D#) step=3 ;; E) step=4 ;; F) step=5 ;;
        F#) step=6 ;; G) step=7 ;; G#) step=8 ;; A) step=9 ;; A#) step=10 ;; B) step=11 ;;
        *) echo "generate.sh: bad note $1" >&2; return 1 ;;
    esac
    echo $(((octave - 4) * 12 + step - 9))
}

# chord_wav OUT NOTES SECONDS: a soft pad, each note a slightly detuned pair of sines, swelling
# in and out over CHORD_OVERLAP seconds.
chord_wav() {
    local out=$1 notes=$2 len=$3 note generators=() st
    for note in ${notes//_/ }; do
        st=$(semitones "$note")
        generators+=(sine "%$st" sine "%$st.08")
    done
    local channels=$((${#generators[@]} / 2))
    "${SOX[@]}" -r "$RATE" -c "$channels" -n "$out" synth "$len" "${generators[@]}" \
        remix - lowpass 1800 tremolo 0.25 12 fade q "$CHORD_OVERLAP" "$len" "$CHORD_OVERLAP"
}

# bell_wav OUT NOTE SECONDS: a soft struck note that dies away.
bell_wav() {
    local out=$1 st
    st=$(semitones "$2")
    "${SOX[@]}" -r "$RATE" -c 2 -n "$out" synth "$3" sine "%$st" sine "%$((st + 12))" \
        remix 1v0.8,2v0.15 fade l 0.01 "$3" "$(awk -v l="$3" 'BEGIN { print l - 0.01 }')"
}

# make_music_piece INDEX WORK_DIR
make_music_piece() {
    local index=$1 w=$2
    local path chords chord_len count melody step seed
    IFS='|' read -r path chords chord_len count melody step seed <<<"${MUSIC_FILES[index]}"
    local chord_list=($chords) i

    # Two rows of chords, odd and even, so that each chord overlaps the next one.
    local unit=$((RATE / 100))
    local slot=$((chord_len * RATE)) sounding=$(((chord_len + CHORD_OVERLAP) * RATE))
    "${SOX[@]}" -r "$RATE" -c 1 -n "$w/rest.wav" trim 0 "$((slot - CHORD_OVERLAP * RATE))s"
    "${SOX[@]}" -r "$RATE" -c 1 -n "$w/lead.wav" trim 0 "${slot}s"
    for ((i = 0; i < ${#chord_list[@]}; i++)); do
        chord_wav "$w/chord$i.wav" "${chord_list[i]}" "$((chord_len + CHORD_OVERLAP))"
    done
    local even=() odd=("$w/lead.wav")
    for ((i = 0; i < count; i++)); do
        local c="$w/chord$((i % ${#chord_list[@]})).wav"
        if ((i % 2 == 0)); then even+=("$c" "$w/rest.wav"); else odd+=("$c" "$w/rest.wav"); fi
    done
    "${SOX[@]}" "${even[@]}" "$w/even.wav"
    "${SOX[@]}" "${odd[@]}" "$w/odd.wav"
    local total=$(((count - 1) * slot + sounding))
    mix "$w/pad.wav" "$w/even.wav" 1 "$w/odd.wav" 1 -- trim 0 "${total}s"

    # A slow melody over the middle of the piece: notes and rests at random.
    local notes=($melody) parts=("$w/lead.wav") length=$slot
    local step_samples=$((step * unit))
    "${SOX[@]}" -r "$RATE" -c 1 -n "$w/mrest.wav" trim 0 "${step_samples}s"
    for ((i = 0; i < ${#notes[@]}; i++)); do
        bell_wav "$w/bell$i.wav" "${notes[i]}" "$(awk -v s="$step" 'BEGIN { print s / 100 }')"
        "${SOX[@]}" "$w/bell$i.wav" "$w/bellx$i.wav" pad 0 1 trim 0 "${step_samples}s"
    done
    local steps=0
    while ((length + step_samples < total - 2 * slot)); do
        if ((steps % MELODY_PHRASE == 0)); then
            RANDOM=$((seed + MELODY_FORM[steps / MELODY_PHRASE % ${#MELODY_FORM[@]}]))
        fi
        steps=$((steps + 1))
        if ((RANDOM % 3 == 0)); then
            parts+=("$w/mrest.wav")
        else
            parts+=("$w/bellx$((RANDOM % ${#notes[@]})).wav")
        fi
        length=$((length + step_samples))
    done
    "${SOX[@]}" "${parts[@]}" "$w/melody.wav" reverb 60 50 100 pad 0 "$((total))s" \
        trim 0 "${total}s"

    mix "$w/piece.wav" "$w/pad.wav" 1 "$w/melody.wav" 0.45 -- reverb 30 50 80 \
        trim 0 "${total}s" fade q 2 "${total}s" 6
    encode_at_loudness "$w/piece.wav" "$LIBRARY/$path" "$MUSIC_LUFS" "$MUSIC_KBPS" to_loudness
}

# make_mantra WORK_DIR: "Не думай" chanted slowly, again and again, over a low drone.
make_mantra() {
    local w=$1 repeats=40 slot=4.5
    espeak-ng -v ru+m3 -p 30 -s 100 -w "$w/words.wav" "Не думай."
    "${SOX[@]}" "$w/words.wav" -r "$RATE" "$w/chant.wav" tempo 0.85 gain -n -1 \
        pad 0.5 5 trim 0 "$slot"
    "${SOX[@]}" "$w/chant.wav" "$w/chants.wav" repeat $((repeats - 1)) reverb 40 50 90
    local total
    total=$(awk -v r="$repeats" -v s="$slot" 'BEGIN { print r * s + 4 }')
    "${SOX[@]}" -r "$RATE" -c 3 -n "$w/drone.wav" synth "$total" \
        sine "%$(semitones D2)" sine "%$(semitones A2)" sine "%$(semitones D3)" \
        remix - tremolo 0.2 15 lowpass 600 fade q 4 "$total" 6
    mix "$w/mantra.wav" "$w/chants.wav" 1 "$w/drone.wav" 0.35 -- \
        trim 0 "$total" fade q 1 "$total" 5
    encode_at_loudness "$w/mantra.wav" "$LIBRARY/$MANTRA_FILE" "$MUSIC_LUFS" "$MUSIC_KBPS" \
        to_loudness
}
