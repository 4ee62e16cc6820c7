# Background sounds: seamless loops synthesised with sox (sourced by generate.sh).
#
# Every layer of a loop is seamless by itself: filtered noise is cross-faded into its own start
# (noise_loop), slow swells use tremolo speeds that fit a whole number of times into the loop,
# and single events (drops, birds, crackles, croaks) lie wholly inside it (scatter).

BACKSOUND_NAMES=(heavyrain stream forest train sea gvalt fire firen wind frogs)
BACK_KBPS=56
# The volume factor of each background in the default playlists.
declare -A BACK_PLAYLIST_VOL=([heavyrain]=0.4 [stream]=0.1 [forest]=0.1 [train]=0.5 [sea]=0.5
    [gvalt]=0.12 [fire]=0.4 [firen]=0.4 [wind]=0.4 [frogs]=0.2)

# backsound_lufs NAME: the file's loudness that the program's volume brings to BACK_HEARD_LUFS.
backsound_lufs() {
    awk -v heard="$BACK_HEARD_LUFS" -v vol="${BACK_PLAYLIST_VOL[$1]}" -v coef="$INSTRUCTOR_COEF" \
        'BEGIN { printf "%.1f\n", heard - 20 * log(vol * coef) / log(10) }'
}

# Backgrounds are made at the rate the program plays at (44.1 kHz), so that its decoder hands
# them on without resampling: a resampler starts every pass of a loop afresh from silence, and
# where the loop's samples are far from zero at the join (the low rumble of the train, the sea's
# murmur) that start is a click.
BACK_RATE=44100

# make_backsound NAME WORK_DIR: the loop is levelled as the middle of three copies of itself,
# so that the limiter ends the loop in the state it starts it with.
make_backsound() {
    local name=$1 work=$2 RATE=$BACK_RATE
    "back_$name" "$work/mix.wav" "$work"
    encode_at_loudness "$work/mix.wav" "$LIBRARY/BackSounds/$name.mp3" \
        "$(backsound_lufs "$name")" "$BACK_KBPS" loop_to_loudness
}

# tone OUT SECONDS SYNTH_ARGS... [-- EFFECT...]: one synthesised event.
tone() {
    local out=$1 len=$2
    shift 2
    local generators=()
    while (($#)) && [ "$1" != -- ]; do
        generators+=("$1")
        shift
    done
    (($#)) && shift
    "${SOX[@]}" -r "$RATE" -c 1 -n "$out" synth "$len" "${generators[@]}" "$@"
}

# join OUT IN... : the inputs one after another.
join() {
    local out=$1
    shift
    "${SOX[@]}" "$@" "$out"
}

# gap OUT SECONDS: silence.
gap() {
    "${SOX[@]}" -r "$RATE" -c 1 -n "$1" trim 0 "$2"
}

# Downpour: bright hiss over a dull body, with a dense patter of drops.
back_heavyrain() {
    local out=$1 w=$2 len=30
    noise_loop "$w/hiss.wav" $len 1 whitenoise highpass 600 lowpass 7500
    noise_loop "$w/body.wav" $len 2 pinknoise lowpass 1400 highpass 80
    tone "$w/d1.wav" 0.012 whitenoise -- bandpass 2500 1500h fade l 0 0.012 0.011
    tone "$w/d2.wav" 0.018 whitenoise -- bandpass 4200 2000h fade l 0 0.018 0.017 vol 0.6
    tone "$w/d3.wav" 0.025 whitenoise -- bandpass 1200 800h fade l 0 0.025 0.024 vol 0.8
    scatter "$w/drops.wav" $len 11 0 6 "$w/d1.wav" "$w/d2.wav" "$w/d3.wav"
    mix "$out" "$w/hiss.wav" 0.55 "$w/body.wav" 0.8 "$w/drops.wav" 0.35
}

# Brook: bands of noise that swell at different speeds, and small bubbling sweeps.
back_stream() {
    local out=$1 w=$2 len=40
    noise_loop "$w/low.wav" $len 1 pinknoise bandpass 500 400h
    noise_loop "$w/mid.wav" $len 2 pinknoise bandpass 1300 900h
    noise_loop "$w/high.wav" $len 3 whitenoise bandpass 3200 1800h
    "${SOX[@]}" "$w/low.wav" "$w/low2.wav" tremolo 0.575 60
    "${SOX[@]}" "$w/mid.wav" "$w/mid2.wav" tremolo 0.925 70
    "${SOX[@]}" "$w/high.wav" "$w/high2.wav" tremolo 1.425 80
    tone "$w/b1.wav" 0.04 sine 450:1000 -- fade q 0.004 0.04 0.025
    tone "$w/b2.wav" 0.03 sine 700:1500 -- fade q 0.003 0.03 0.02
    tone "$w/b3.wav" 0.05 sine 300:700 -- fade q 0.005 0.05 0.03
    scatter "$w/bubbles.wav" $len 23 2 30 "$w/b1.wav" "$w/b2.wav" "$w/b3.wav"
    mix "$out" "$w/low2.wav" 0.9 "$w/mid2.wav" 0.7 "$w/high2.wav" 0.25 "$w/bubbles.wav" 0.18
}

# Forest: a soft wind in the leaves, birds trilling and calling, now and then a cuckoo.
back_forest() {
    local out=$1 w=$2 len=40
    noise_loop "$w/air.wav" $len 1 pinknoise lowpass 800
    noise_loop "$w/leaves.wav" $len 2 whitenoise highpass 2500 lowpass 8000
    "${SOX[@]}" "$w/air.wav" "$w/air2.wav" tremolo 0.075 40
    "${SOX[@]}" "$w/leaves.wav" "$w/leaves2.wav" tremolo 0.175 70
    tone "$w/chirp.wav" 0.06 sine 3200:4400 -- fade q 0.005 0.06 0.03
    gap "$w/g04.wav" 0.04
    gap "$w/g08.wav" 0.08
    gap "$w/g15.wav" 0.15
    join "$w/trill.wav" "$w/chirp.wav" "$w/g04.wav" "$w/chirp.wav" "$w/g04.wav" "$w/chirp.wav" \
        "$w/g04.wav" "$w/chirp.wav" "$w/g04.wav" "$w/chirp.wav"
    tone "$w/whistle.wav" 0.35 sine 2500:2000 -- tremolo 14 30 fade q 0.03 0.35 0.12
    tone "$w/tw.wav" 0.09 sine 4300:3000 -- fade q 0.005 0.09 0.04
    join "$w/tweet.wav" "$w/tw.wav" "$w/g08.wav" "$w/tw.wav"
    tone "$w/rise.wav" 0.25 sine 1800:3000 -- tremolo 22 50 fade q 0.02 0.25 0.08
    tone "$w/ku1.wav" 0.22 sine 660 sine 1320 -- remix 1 fade q 0.03 0.22 0.1 lowpass 1200
    tone "$w/ku2.wav" 0.32 sine 525 -- fade q 0.03 0.32 0.18 lowpass 1200
    join "$w/ku.wav" "$w/ku1.wav" "$w/g15.wav" "$w/ku2.wav"
    join "$w/cuckoo.wav" "$w/ku.wav" "$w/g15.wav" "$w/g15.wav" "$w/g15.wav" "$w/ku.wav"
    scatter "$w/birds.wav" $len 31 40 260 "$w/trill.wav" "$w/whistle.wav" "$w/tweet.wav" \
        "$w/rise.wav" "$w/trill.wav" "$w/tweet.wav" "$w/cuckoo.wav"
    loop_effect "$w/birds.wav" "$w/birds2.wav" sox_effect reverb 30 50 70
    mix "$out" "$w/air2.wav" 0.5 "$w/leaves2.wav" 0.12 "$w/birds2.wav" 0.35
}

# Train: the rumble of the carriage and the double knock of the wheels on the rail joints.
back_train() {
    local out=$1 w=$2 len=32
    noise_loop "$w/rumble.wav" $len 1 brownnoise lowpass 260
    noise_loop "$w/hiss.wav" $len 2 pinknoise bandpass 1500 1200h
    "${SOX[@]}" "$w/rumble.wav" "$w/rumble2.wav" tremolo 0.125 20
    tone "$w/knock.wav" 0.07 whitenoise -- bandpass 1600 1200h fade l 0.002 0.07 0.065
    tone "$w/thump.wav" 0.08 sine 85 -- fade q 0.003 0.08 0.07
    mix "$w/clackA.wav" "$w/knock.wav" 1 "$w/thump.wav" 0.9
    mix "$w/clackB.wav" "$w/knock.wav" 0.8 "$w/thump.wav" 1 -- bass 3
    # One carriage every 1.6 s: two axles, a pause, two axles; twenty carriages a loop.
    "${SOX[@]}" "$w/clackA.wav" "$w/a16.wav" pad 0 1 trim 0 0.16
    "${SOX[@]}" "$w/clackB.wav" "$w/b39.wav" pad 0 1 trim 0 0.39
    "${SOX[@]}" "$w/clackB.wav" "$w/b89.wav" pad 0 1 trim 0 0.89
    join "$w/carriage.wav" "$w/a16.wav" "$w/b39.wav" "$w/a16.wav" "$w/b89.wav"
    "${SOX[@]}" "$w/carriage.wav" "$w/wheels.wav" repeat 19
    mix "$out" "$w/rumble2.wav" 1 "$w/hiss.wav" 0.12 "$w/wheels.wav" 0.45
}

# One sea: waves that rise slowly and fall back, in two overlapping rows, over a deep murmur.
sea_wav() {
    local out=$1 w=$2 len=40
    local lengths=(9 11 10 10) i
    for ((i = 0; i < 8; i++)); do
        local l=${lengths[i % 4]}
        ((i < 4)) || l=${lengths[7 - i]}
        noise_layer "$w/wave$i.wav" "$l" $((i + 1)) pinknoise lowpass 2200 highpass 60 \
            fade h 4 "$l" 5
    done
    join "$w/rowA.wav" "$w/wave0.wav" "$w/wave1.wav" "$w/wave2.wav" "$w/wave3.wav"
    join "$w/rowB0.wav" "$w/wave4.wav" "$w/wave5.wav" "$w/wave6.wav" "$w/wave7.wav"
    rotate "$w/rowB0.wav" "$w/rowB.wav" 5
    noise_loop "$w/murmur.wav" $len 9 brownnoise lowpass 400
    mix "$out" "$w/rowA.wav" 1 "$w/rowB.wav" 0.6 "$w/murmur.wav" 0.5
}

back_sea() {
    sea_wav "$1" "$2"
}

# Seagulls: gliding cries, single and in runs, over a quieter sea.
back_gvalt() {
    local out=$1 w=$2 len=40
    sea_wav "$w/sea.wav" "$w"
    tone "$w/up.wav" 0.08 sawtooth 1000:1800 -- bandpass 1800 1500h fade q 0.01 0.08 0
    tone "$w/down.wav" 0.4 sawtooth 1800:1100 -- bandpass 1700 1500h tremolo 28 35 \
        fade q 0 0.4 0.2
    join "$w/cry.wav" "$w/up.wav" "$w/down.wav"
    "${SOX[@]}" "$w/cry.wav" "$w/cryHigh.wav" speed 1.15
    "${SOX[@]}" "$w/cry.wav" "$w/cryLow.wav" speed 0.88
    tone "$w/kya.wav" 0.14 sawtooth 2000:1500 -- bandpass 1900 1500h fade q 0.01 0.14 0.06
    gap "$w/g.wav" 0.09
    join "$w/run.wav" "$w/kya.wav" "$w/g.wav" "$w/kya.wav" "$w/g.wav" "$w/kya.wav" "$w/g.wav" \
        "$w/cry.wav"
    scatter "$w/gulls.wav" $len 47 60 380 "$w/cry.wav" "$w/cryHigh.wav" "$w/cryLow.wav" \
        "$w/run.wav"
    loop_effect "$w/gulls.wav" "$w/gulls2.wav" sox_effect reverb 25 50 60
    mix "$out" "$w/sea.wav" 0.45 "$w/gulls2.wav" 0.5
}

# Crackles of burning wood: ticks, snaps and pops.
crackle_events() {
    local w=$1
    tone "$w/tick.wav" 0.004 whitenoise -- highpass 3000 fade l 0 0.004 0.0035
    tone "$w/snap.wav" 0.01 whitenoise -- bandpass 2500 2000h fade l 0 0.01 0.009
    tone "$w/pop.wav" 0.03 whitenoise -- bandpass 900 700h fade l 0.001 0.03 0.028
    tone "$w/crack.wav" 0.015 whitenoise -- highpass 1500 fade l 0 0.015 0.014 vol 1.6
}

# Fire in a stove or fireplace: a steady low roar and dense crackling.
back_fire() {
    local out=$1 w=$2 len=30
    noise_loop "$w/roar.wav" $len 1 brownnoise lowpass 180
    noise_loop "$w/flame.wav" $len 2 pinknoise bandpass 900 800h
    "${SOX[@]}" "$w/roar.wav" "$w/roar2.wav" tremolo 0.2 30
    "${SOX[@]}" "$w/flame.wav" "$w/flame2.wav" tremolo 0.4 50
    crackle_events "$w"
    scatter "$w/crackles.wav" $len 53 1 22 "$w/tick.wav" "$w/tick.wav" "$w/snap.wav" \
        "$w/snap.wav" "$w/pop.wav" "$w/crack.wav"
    mix "$out" "$w/roar2.wav" 1 "$w/flame2.wav" 0.25 "$w/crackles.wav" 0.45
}

# Campfire in the open: sparser, louder pops, night air and distant crickets.
back_firen() {
    local out=$1 w=$2 len=40
    noise_loop "$w/roar.wav" $len 1 brownnoise lowpass 150
    noise_loop "$w/air.wav" $len 2 pinknoise lowpass 600
    "${SOX[@]}" "$w/air.wav" "$w/air2.wav" tremolo 0.075 50
    crackle_events "$w"
    scatter "$w/crackles.wav" $len 59 4 60 "$w/tick.wav" "$w/snap.wav" "$w/pop.wav" \
        "$w/pop.wav" "$w/crack.wav" "$w/crack.wav"
    tone "$w/cri.wav" 0.05 sine 4400 -- tremolo 45 90 fade q 0.005 0.05 0.01
    gap "$w/g.wav" 0.05
    join "$w/cricket.wav" "$w/cri.wav" "$w/g.wav" "$w/cri.wav" "$w/g.wav" "$w/cri.wav"
    scatter "$w/crickets.wav" $len 61 40 150 "$w/cricket.wav"
    mix "$out" "$w/roar.wav" 0.8 "$w/air2.wav" 0.4 "$w/crackles.wav" 0.55 \
        "$w/crickets.wav" 0.05
}

# Wind in the forest: gusts in three bands, each swelling at its own pace.
back_wind() {
    local out=$1 w=$2 len=40
    noise_loop "$w/low.wav" $len 1 brownnoise lowpass 500
    noise_loop "$w/howl.wav" $len 2 pinknoise bandpass 650 200h
    noise_loop "$w/leaves.wav" $len 3 whitenoise highpass 2500 lowpass 9000
    "${SOX[@]}" "$w/low.wav" "$w/low2.wav" tremolo 0.075 60
    "${SOX[@]}" "$w/howl.wav" "$w/howl2.wav" tremolo 0.125 85
    "${SOX[@]}" "$w/leaves.wav" "$w/leaves2.wav" tremolo 0.175 75
    mix "$out" "$w/low2.wav" 1 "$w/howl2.wav" 0.6 "$w/leaves2.wav" 0.15
}

# Frogs: two frogs croaking in runs over the quiet of a pond at night.
back_frogs() {
    local out=$1 w=$2 len=30
    noise_loop "$w/night.wav" $len 1 pinknoise lowpass 700
    tone "$w/big.wav" 0.18 sawtooth 190:140 -- tremolo 26 95 bandpass 450 400h \
        fade q 0.015 0.18 0.07
    tone "$w/small.wav" 0.12 sawtooth 330:260 -- tremolo 34 95 bandpass 800 600h \
        fade q 0.01 0.12 0.05
    gap "$w/g.wav" 0.12
    join "$w/big2.wav" "$w/big.wav" "$w/g.wav" "$w/big.wav"
    join "$w/big3.wav" "$w/big.wav" "$w/g.wav" "$w/big.wav" "$w/g.wav" "$w/big.wav"
    join "$w/small3.wav" "$w/small.wav" "$w/g.wav" "$w/small.wav" "$w/g.wav" "$w/small.wav"
    join "$w/small4.wav" "$w/small3.wav" "$w/g.wav" "$w/small.wav"
    scatter "$w/frogA.wav" $len 67 50 200 "$w/big2.wav" "$w/big3.wav" "$w/big.wav"
    scatter "$w/frogB.wav" $len 71 60 250 "$w/small3.wav" "$w/small4.wav" "$w/small.wav"
    loop_effect "$w/frogB.wav" "$w/frogB2.wav" sox_effect reverb 20 50 40
    mix "$out" "$w/night.wav" 0.12 "$w/frogA.wav" 0.9 "$w/frogB2.wav" 0.6
}
