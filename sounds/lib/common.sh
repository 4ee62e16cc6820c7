# Shared helpers of the demo library generator (sourced by generate.sh).

# Backgrounds and music are made at this rate; espeak-ng speaks at 22050 Hz.
RATE=32000
# Repeatable noise: the same texts and scripts give the same library.
SOX=(sox -R -V1)

check_tools() {
    local tool missing=()
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    if ((${#missing[@]})); then
        echo "generate.sh: missing ${missing[*]} (run scripts/setup.sh)" >&2
        return 1
    fi
}

job_slots() {
    nproc 2>/dev/null || echo 2
}

# encode_mp3 IN.wav OUT.mp3 KBPS: mono, constant bit rate.
encode_mp3() {
    mkdir -p "$(dirname "$2")"
    lame --quiet --nohist -m m -b "$3" "$1" "$2"
}

# samples FILE: length in samples.
samples() {
    soxi -s "$1"
}

# noise_layer OUT SECONDS INDEX TYPE [EFFECT...]: noise that differs from the layers with other
# indices (repeatable mode gives every process the same random sequence, so each layer takes
# its own channel of one generator).
noise_layer() {
    local out=$1 len=$2 index=$3 type=$4
    shift 4
    local types=() i
    for ((i = 0; i < index; i++)); do types+=("$type"); done
    "${SOX[@]}" -r "$RATE" -c "$index" -n "$out" synth "$len" "${types[@]}" \
        remix "$index" gain -6 "$@"
}

# seamless_loop IN OUT LOOP_SECONDS FADE_SECONDS: IN lasts LOOP + FADE seconds; its last FADE
# seconds are cross-faded into its beginning, so that OUT's end runs on into its start.
seamless_loop() {
    local in=$1 out=$2 len=$3 fade=$4 dir
    dir=$(mktemp -d "$(dirname "$out")/loop.XXXXXX")
    "${SOX[@]}" "$in" "$dir/head.wav" trim 0 "$fade" fade q "$fade"
    "${SOX[@]}" "$in" "$dir/tail.wav" trim "$len" "$fade" fade q 0 "$fade" "$fade"
    "${SOX[@]}" -m -v 1 "$dir/head.wav" -v 1 "$dir/tail.wav" "$dir/joint.wav"
    "${SOX[@]}" "$in" "$dir/body.wav" trim "$fade" "$((len - fade))"
    "${SOX[@]}" "$dir/joint.wav" "$dir/body.wav" "$out"
    rm -rf "$dir"
}

# noise_loop OUT SECONDS INDEX TYPE [EFFECT...]: a seamless loop of filtered noise.
noise_loop() {
    local out=$1 len=$2 index=$3 type=$4
    shift 4
    local fade=3
    noise_layer "$out.raw.wav" "$((len + fade))" "$index" "$type" "$@"
    seamless_loop "$out.raw.wav" "$out" "$len" "$fade"
    rm -f "$out.raw.wav"
}

# silence_parts DIR: silences of 10 ms * 2^k (k = 0..9), named s<k>.wav, for scatter.
silence_parts() {
    local dir=$1 k
    for ((k = 0; k < 10; k++)); do
        [ -f "$dir/s$k.wav" ] ||
            "${SOX[@]}" -r "$RATE" -c 1 -n "$dir/s$k.wav" trim 0 "$(((RATE / 100) << k))s"
    done
}

# scatter OUT SECONDS SEED MIN_GAP MAX_GAP EVENT.wav...: events picked at random and separated
# by random silences of MIN_GAP..MAX_GAP hundredths of a second, all inside SECONDS, so the
# result loops without a cut event. Gaps are sums of the silence parts; long lists are joined
# in chunks to keep the number of open files small.
scatter() {
    local out=$1 len=$2 seed=$3 min_gap=$4 max_gap=$5
    shift 5
    local events=("$@") dir parts=() chunks=() total=0 limit=$((len * RATE)) unit=$((RATE / 100))
    dir=$(dirname "$out")
    silence_parts "$dir"
    local -a lengths=()
    local e
    for e in "${events[@]}"; do lengths+=("$(samples "$e")"); done
    RANDOM=$seed
    while :; do
        local gap=$((min_gap + RANDOM % (max_gap - min_gap + 1)))
        local pick=$((RANDOM % ${#events[@]}))
        local need=$((gap * unit + lengths[pick]))
        ((total + need < limit)) || break
        local k
        for ((k = 0; k < 10; k++)); do
            if (((gap >> k) & 1)); then parts+=("$dir/s$k.wav"); fi
        done
        parts+=("${events[pick]}")
        total=$((total + need))
        if ((${#parts[@]} >= 300)); then
            chunks+=("$out.chunk${#chunks[@]}.wav")
            "${SOX[@]}" "${parts[@]}" "${chunks[-1]}"
            parts=()
        fi
    done
    parts=("${chunks[@]}" "${parts[@]}")
    if ((${#parts[@]} == 0)); then parts=("$dir/s0.wav"); total=$unit; fi
    "${SOX[@]}" "${parts[@]}" "$out" pad 0 "$((limit - total))s"
    rm -f "${chunks[@]}"
}

# mix OUT IN VOLUME [IN VOLUME...] [-- EFFECT...]: sum of the inputs, each scaled, with
# headroom against clipping (the result is normalised afterwards anyway).
MIX_HEADROOM=0.4
mix() {
    local out=$1
    shift
    local inputs=()
    while (($#)) && [ "$1" != -- ]; do
        inputs+=(-v "$(awk -v v="$2" -v h="$MIX_HEADROOM" 'BEGIN { print v * h }')" "$1")
        shift 2
    done
    (($#)) && shift
    if ((${#inputs[@]} == 3)); then
        "${SOX[@]}" "${inputs[@]}" "$out" "$@"
    else
        "${SOX[@]}" -m "${inputs[@]}" "$out" "$@"
    fi
}

# rotate IN OUT SECONDS: a loop started SECONDS later; it still loops seamlessly.
rotate() {
    local in=$1 out=$2 at=$3
    "${SOX[@]}" "$in" "$out.a.wav" trim "$at"
    "${SOX[@]}" "$in" "$out.b.wav" trim 0 "$at"
    "${SOX[@]}" "$out.a.wav" "$out.b.wav" "$out"
    rm -f "$out.a.wav" "$out.b.wav"
}

# Integrated loudness of the default music (mono, EBU R128). The program plays music at the
# instructor's coefficient of 0.4 (-8 dB), so it sounds at -28 LUFS, 9 LU under the voice: it
# plays before or after the voice, never under it.
MUSIC_LUFS=-20
# Where the backgrounds sound after the program's volume (the playlist's factor times the
# instructor's coefficient of 0.4): 22 LU under the voice, which stays clear above them.
BACK_HEARD_LUFS=-41
INSTRUCTOR_COEF=0.4

# The encoder's low-pass takes this much loudness off (the meter weights the highs up); files are
# levelled this much above their target before they are encoded.
ENCODER_LOSS_LU=0.4

# to_loudness IN.wav OUT.wav TARGET_LUFS: IN brought to the loudness; where that would lift
# its peaks too high, they are first held down by a fast limiter (with room for the encoder,
# whose peaks overshoot by up to 4 dB on noise).
to_loudness() {
    local in=$1 out=$2 target lufs peak gain limited=$2.limited.wav
    target=$(awk -v t="$3" -v l="$ENCODER_LOSS_LU" 'BEGIN { print t + l }')
    read -r lufs peak < <(file_loudness "$in")
    gain=$(awk -v t="$target" -v l="$lufs" 'BEGIN { printf "%.2f", t - l }')
    if awk -v p="$peak" -v g="$gain" -v limit="$PEAK_LIMIT_DB" 'BEGIN { exit !(p + g > limit - 5) }'; then
        local threshold
        threshold=$(awk -v p="$PEAK_LIMIT_DB" -v g="$gain" 'BEGIN { printf "%.2f", p - 5 - g }')
        "${SOX[@]}" "$in" "$limited" \
            compand 0.002,0.1 "6:$threshold,$threshold,0,$(awk -v t="$threshold" 'BEGIN { print t + 1 }')" 0 -90 0.003
        read -r lufs peak < <(file_loudness "$limited")
        gain=$(awk -v t="$target" -v l="$lufs" 'BEGIN { printf "%.2f", t - l }')
        in=$limited
    fi
    "${SOX[@]}" "$in" "$out" gain "$gain"
    rm -f "$limited"
}

# loop_effect IN OUT COMMAND ARGS...: COMMAND THREE.wav RESULT.wav ARGS... applied to three
# copies of the loop IN one after another, and OUT the middle copy of the result: an effect
# with a memory (reverb tails, a limiter) runs on across the loop's end into its start.
loop_effect() {
    local in=$1 out=$2 command=$3 len
    shift 3
    len=$(samples "$in")
    "${SOX[@]}" "$in" "$in" "$in" "$out.three.wav"
    "$command" "$out.three.wav" "$out.done.wav" "$@"
    "${SOX[@]}" "$out.done.wav" "$out" trim "${len}s" "${len}s"
    rm -f "$out.three.wav" "$out.done.wav"
}

# sox_effect IN OUT EFFECT...
sox_effect() {
    local in=$1 out=$2
    shift 2
    "${SOX[@]}" "$in" "$out" "$@"
}
