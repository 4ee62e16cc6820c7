# Shared helpers of the demo library generator (sourced by generate.sh).

# Music is made at this rate, backgrounds at BACK_RATE; espeak-ng speaks at 22050 Hz.
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

# encode_mp3 IN.wav OUT.mp3 KBPS: mono, constant bit rate, at IN's own rate (lame would pick a
# lower one for a low bit rate).
encode_mp3() {
    local khz
    khz=$(soxi -r "$1" | awk '{ print $1 / 1000 }')
    mkdir -p "$(dirname "$2")"
    lame --quiet --nohist -m m -b "$3" --resample "$khz" "$1" "$2"
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

# Sample peaks of a levelled sound before encoding, in dBFS. The encoder's low-pass makes peaks
# of noise overshoot by about half a decibel; a file that still comes out above the check's
# limit is levelled again under a lower ceiling (encode_at_loudness).
LIMITER_CEILING_DB=-2
# A decoded file this close to its loudness needs no second levelling.
LOUDNESS_AIM_LU=0.3
# The encoder's low-pass takes about this much loudness off (the meter weights the highs up):
# the first levelling aims this much above the target.
ENCODER_LOSS_LU=0.4

# to_loudness IN.wav OUT.wav TARGET_LUFS [CEILING_DBFS]: IN brought to the loudness. Where that
# would lift its peaks above the ceiling, a look-ahead limiter holds them there and the gain in
# front of it grows by what the limiting took off, until the loudness is reached.
to_loudness() {
    local in=$1 out=$2 target=$3 ceiling=${4:-$LIMITER_CEILING_DB} lufs peak gain pass
    read -r lufs peak < <(file_loudness "$in")
    gain=$(awk -v t="$target" -v l="$lufs" 'BEGIN { printf "%.2f", t - l }')
    if awk -v p="$peak" -v g="$gain" -v c="$ceiling" 'BEGIN { exit !(p + g <= c) }'; then
        "${SOX[@]}" "$in" "$out" gain "$gain"
        return
    fi
    # Each pass corrects the gain by the shortfall over the slope of the last two passes: limiting
    # takes off more as the gain grows, so loudness rises slower than the gain.
    local slope=1 last_gain last_lufs
    for ((pass = 0; pass < 6; pass++)); do
        limit_peaks "$in" "$out" "$gain" "$ceiling"
        read -r lufs peak < <(file_loudness "$out")
        if awk -v t="$target" -v l="$lufs" 'BEGIN { exit !(t - l < 0.1 && l - t < 0.1) }'; then
            return
        fi
        if ((pass > 0)); then
            slope=$(awk -v g="$gain" -v l="$lufs" -v g0="$last_gain" -v l0="$last_lufs" 'BEGIN {
                s = (g == g0) ? 1 : (l - l0) / (g - g0)
                printf "%.3f\n", (s < 0.2 ? 0.2 : (s > 1 ? 1 : s)) }')
        fi
        last_gain=$gain last_lufs=$lufs
        gain=$(awk -v g="$gain" -v t="$target" -v l="$lufs" -v s="$slope" \
            'BEGIN { printf "%.2f", g + (t - l) / s }')
    done
    echo "generate.sh: $(basename "$in") does not reach $target LUFS under $ceiling dBFS" >&2
    return 1
}

# limit_peaks IN.wav OUT.wav GAIN_DB CEILING_DBFS: IN raised by the gain (in floating point, so
# nothing clips on the way) and its sample peaks held at the ceiling; the limiter looks 5 ms
# ahead and lets go over 100 ms, and its delay is taken out again.
limit_peaks() {
    local limit
    limit=$(awk -v c="$4" 'BEGIN { printf "%.5f", 10 ^ (c / 20) }')
    ffmpeg -nostdin -hide_banner -loglevel error -y -i "$1" \
        -af "aformat=sample_fmts=dbl,volume=${3}dB,alimiter=limit=$limit:attack=5:release=100:level=0:latency=1" \
        -c:a pcm_s32le "$2"
}

# loop_to_loudness IN.wav OUT.wav TARGET_LUFS [CEILING_DBFS]: to_loudness for a loop; the
# limiter ends the loop in the state it starts it with. The loop then starts where its sound is
# nearest to silence: the encoder sees the file's ends as steps from and to silence, and rings
# at a step (a tick at every join, heard over a low rumble) as much as the step is high.
loop_to_loudness() {
    loop_effect "$1" "$2.level.wav" to_loudness "${@:3}"
    rotate "$2.level.wav" "$2" "$(quietest_sample "$2.level.wav")"
    rm -f "$2.level.wav"
}

# quietest_sample IN.wav: the sample of IN's first two seconds that lies nearest to zero and
# moves least from the one before, as sox counts samples ("<n>s", n from 1).
quietest_sample() {
    "${SOX[@]}" "$1" -t dat - trim 0 2 | awk '
        /^;/ { next }
        { x = $2 + 0
          if (n > 0) {
              v = (x < 0 ? -x : x) + (x < last ? last - x : x - last)
              if (best == "" || v < best) { best = v; at = n }
          }
          last = x; n++ }
        END { print at "s" }'
}

# encode_at_loudness IN.wav OUT.mp3 TARGET_LUFS KBPS LEVELLER: IN levelled by LEVELLER
# (to_loudness or loop_to_loudness), encoded, and decoded again to see what the encoder did.
# The encoder's low-pass takes some loudness off and lets peaks overshoot; when the file is off
# its loudness or above the peak limit, it is levelled again for the difference, under a ceiling
# lowered by the overshoot, and encoded anew.
encode_at_loudness() {
    local in=$1 out=$2 target=$3 kbps=$4 leveller=$5
    local aim ceiling=$LIMITER_CEILING_DB pass lufs peak dir
    aim=$(awk -v t="$target" -v l="$ENCODER_LOSS_LU" 'BEGIN { print t + l }')
    dir=$(mktemp -d "$WORK/level.XXXXXX")
    for ((pass = 0; pass < 3; pass++)); do
        "$leveller" "$in" "$dir/level.wav" "$aim" "$ceiling"
        encode_mp3 "$dir/level.wav" "$out" "$kbps"
        read -r lufs peak < <(file_loudness "$out")
        if awk -v l="$lufs" -v t="$target" -v aim="$LOUDNESS_AIM_LU" -v p="$peak" \
            -v limit="$PEAK_LIMIT_DB" 'BEGIN { exit !(l - t <= aim && t - l <= aim && p <= limit - 0.2) }'; then
            break
        fi
        read -r aim ceiling < <(awk -v a="$aim" -v t="$target" -v l="$lufs" -v c="$ceiling" \
            -v p="$peak" -v limit="$PEAK_LIMIT_DB" 'BEGIN {
                over = p - (limit - 0.3); if (over < 0) over = 0
                printf "%.2f %.2f\n", a + t - l, c - over }')
    done
    rm -rf "$dir"
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
