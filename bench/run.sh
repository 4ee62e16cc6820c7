#!/usr/bin/env bash
# Builds the benchmark programs in release mode (in build-bench) and prints a table of the
# program's speed figures, each the median of several runs. No thresholds: the figures are
# there to be read and compared.
#
#   bench/run.sh [RUNS]           RUNS meditations, ffplay runs and gap runs (default 3)
#
#   BENCH_MINUTES       length of the measured meditation (default 1)
#   BENCH_GAP_MINUTES   length of the meditation recorded for the gap measure (default 1)
#   NESVARA_BENCH_BUILD_DIR   build folder (default build-bench)
#
# Takes about (2 x BENCH_MINUTES + BENCH_GAP_MINUTES + 1) minutes per run, plus the build
# and one minute for a stretch of a real-length meditation.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${NESVARA_BENCH_BUILD_DIR:-$ROOT/build-bench}
RUNS=${1:-3}
MINUTES=${BENCH_MINUTES:-1}
GAP_MINUTES=${BENCH_GAP_MINUTES:-1}
STARTUP_RUNS=$((RUNS > 5 ? RUNS : 5))
BENCH_TARGETS=(bench_meditation bench_startup bench_collection bench_decode bench_silence_scan bench_stop
               nesvara_demo_sounds)
# Technique 1: reminders at random moments, here every 3 seconds on average.
REMINDS_TECHNIQUE=1
REMINDS_SECONDS=3
# Technique 0: silence, so that only the background sounds between the first and last phrase.
SILENCE_TECHNIQUE=0

log() { echo "bench: $*" >&2; }

# Also in scripts/setup.sh; named here so that the benchmarks run on a machine set up before.
install_missing_tools() {
    "$ROOT/scripts/install-packages.sh" ffmpeg time sox lame
}

build() {
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    log "building in $BUILD"
    local output
    if ! output=$(cmake --build "$BUILD" -j2 --target "${BENCH_TARGETS[@]}" 2>&1); then
        echo "$output"
        exit 1
    fi
}

# value FILE KEY: the value of a "KEY=value" line.
value() { sed -n "s/^$2=//p" "$1" | tail -n 1; }

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { printf '%s\n' "$@" | sort -g | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
fmt() { awk -v v="$1" -v d="${2:-2}" 'BEGIN { printf "%.*f", d, v }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# switches STATUS...: the context switches, voluntary and involuntary, in these
# /proc/.../status files together.
switches() { cat "$@" 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }'; }
# cpu_ticks PID: the process's user + system CPU so far, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# timed OUT COMMAND...: runs COMMAND, appends its CPU seconds (user + system, of it and of
# every child it waited for), peak resident memory and wall time to OUT as KEY=value lines.
timed() {
    local out=$1
    shift
    local times
    times=$(mktemp "$WORK/times.XXXXXX")
    local status=0
    /usr/bin/time -o "$times" -f 'user=%U\nsys=%S\nmaxrss_kib=%M\nwall=%e' "$@" >>"$out" || status=$?
    {
        echo "cpu_s=$(awk -v u="$(value "$times" user)" -v s="$(value "$times" sys)" 'BEGIN { print u + s }')"
        echo "maxrss_kib=$(value "$times" maxrss_kib)"
        echo "wall_s=$(value "$times" wall)"
    } >>"$out"
    return $status
}

# The measured meditation: background sound on, a reminder every few seconds, no music, no
# introduction, through the real audio layer on SDL's silent driver.
run_meditation() {
    local out=$1
    SDL_AUDIODRIVER=dummy timed "$out" "$BUILD/bench/bench_meditation" --program-dir "$PROGRAM" \
        --minutes "$MINUTES" --technique $REMINDS_TECHNIQUE --reminder-sec $REMINDS_SECONDS \
        --backsound 1 --opened-files "$out.files" 2>>"$ERRLOG"
}

# ffplay playing the meditation's background file alone, on the same driver, for as long
# as the meditation lasted. Its figures are read from /proc just before it is ended (all
# its threads): CPU seconds, peak memory, and context switches as wake-ups per second.
run_ffplay() {
    local out=$1 file=$2 seconds=$3
    SDL_AUDIODRIVER=dummy ffplay -nodisp -loop 0 -loglevel error "$file" </dev/null 2>>"$ERRLOG" &
    local pid=$!
    local started
    started=$(date +%s.%N)
    sleep "$seconds"
    if [ ! -d "/proc/$pid" ]; then
        log "ffplay ended before it was measured"
        exit 1
    fi
    local ran
    ran=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
    {
        echo "cpu_s=$(awk -v t="$(cpu_ticks "$pid")" -v tck="$(getconf CLK_TCK)" 'BEGIN { print t / tck }')"
        echo "maxrss_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")"
        echo "wall_s=$ran"
        echo "wakeups_per_s=$(awk -v n="$(switches /proc/"$pid"/task/*/status)" -v s="$ran" 'BEGIN { print n / s }')"
        echo "threads=$(ls /proc/"$pid"/task | wc -l)"
    } >>"$out"
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
}

# Only decoding what the meditation played: its background for as long as it lasted, and
# every phrase it opened.
run_decode() {
    local out=$1 files=$2 seconds=$3
    local background
    background=$(grep -m1 '/BackSounds/' "$files")
    local phrases=()
    mapfile -t phrases < <(grep -v '/BackSounds/' "$files")
    "$BUILD/bench/bench_decode" "$background" "$seconds" "${phrases[@]}" | sed 's/^decode_/plain_/' >>"$out"
    "$BUILD/bench/bench_decode" --resample "$background" "$seconds" "${phrases[@]}" | sed 's/^decode_/resample_/' >>"$out"
}

# Two tones of different pitch that sound from their first sample to their last, so that
# any silence in the output is a hole between two files.
make_tones() {
    sox -n -r 44100 -c 2 -b 16 "$WORK/tone_a.wav" synth 1.5 sine 440 gain -6
    sox -n -r 44100 -c 2 -b 16 "$WORK/tone_b.wav" synth 1.0 sine 660 gain -6
    lame --quiet -b 192 "$WORK/tone_a.wav" "$WORK/tone_a.mp3"
    lame --quiet -b 192 "$WORK/tone_b.wav" "$WORK/tone_b.mp3"
}

# A meditation in silence whose background is the two tones, recorded by SDL's disk driver
# at a sound card's pace (one 4096-frame buffer every 93 ms).
run_gap() {
    local out=$1
    local raw="$WORK/gap.raw"
    rm -f "$raw"
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw" SDL_DISKAUDIODELAY=93 \
        "$BUILD/bench/bench_meditation" --program-dir "$PROGRAM" --minutes "$GAP_MINUTES" \
        --technique $SILENCE_TECHNIQUE --backsound 1 \
        --background-files "$WORK/tone_a.mp3,$WORK/tone_b.mp3" >>"$out" 2>>"$ERRLOG"
    "$BUILD/bench/bench_silence_scan" "$raw" >>"$out"
    rm -f "$raw"
}

# Twenty meditations with music first, each stopped at a random moment 1 to 3 s in,
# recorded by SDL's disk driver at a sound card's pace.
run_stops() {
    local out=$1
    local raw="$WORK/stops.raw"
    rm -f "$raw"
    sox -n -r 44100 -c 2 -b 16 "$WORK/music.wav" synth 6 sine 440 gain -6
    lame --quiet -b 192 "$WORK/music.wav" "$WORK/music.mp3"
    mkdir -p "$WORK/stops"
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw" SDL_DISKAUDIODELAY=93 \
        "$BUILD/bench/bench_stop" "$WORK/stops" "$WORK/music.mp3" 20 >>"$out" 2>>"$ERRLOG"
    rm -f "$raw"
}

# A real-length meditation: technique "silence" with the background, 30 minutes, measured
# over LONG_WINDOW seconds from LONG_FROM s after launch (after the introduction), then
# ended. There the progress moves once every 1.8 s, so what is left is the cost of waiting.
LONG_MINUTES=30
LONG_FROM=12
LONG_WINDOW=40

# counts PID: "SWITCHES UI_SWITCHES CPU_TICKS" of the whole process at this moment.
counts() {
    local pid=$1
    echo "$(switches /proc/"$pid"/task/*/status) $(switches /proc/"$pid"/task/"$pid"/status) $(cpu_ticks "$pid")"
}

run_long() {
    local out=$1
    SDL_AUDIODRIVER=dummy "$BUILD/bench/bench_meditation" --program-dir "$PROGRAM" --minutes $LONG_MINUTES \
        --technique $SILENCE_TECHNIQUE --backsound 1 >/dev/null 2>>"$ERRLOG" &
    local pid=$!
    sleep $LONG_FROM
    local before after
    before=$(counts "$pid")
    sleep $LONG_WINDOW
    after=$(counts "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v s=$LONG_WINDOW -v tck="$(getconf CLK_TCK)" 'BEGIN {
        split(b, x, " "); split(a, y, " ")
        print "long_wakeups_per_s=" (y[1] - x[1]) / s
        print "long_ui_wakeups_per_s=" (y[2] - x[2]) / s
        print "long_cpu_s_per_min=" (y[3] - x[3]) / tck / s * 60 }' >"$out"
}

run_startup() {
    local out=$1
    BENCH_LAUNCH_NS=$(date +%s%N) SDL_AUDIODRIVER=dummy "$BUILD/bench/bench_startup" "$PROGRAM" >>"$out" 2>>"$ERRLOG"
}

# collect KEY FILE...: the KEY values of every file.
collect() {
    local key=$1
    shift
    local file
    for file in "$@"; do value "$file" "$key"; done
}

# without_measuring KEY FILE...: the KEY values of every meditation run less the CPU its
# own sampling of /proc took, which the program does not spend.
without_measuring() {
    local key=$1 file
    shift
    for file in "$@"; do
        awk -v a="$(value "$file" "$key")" -v m="$(value "$file" measuring_cpu_s)" 'BEGIN { print a - m }'
    done
}

# per_run KEY FILE...: the KEY values of every file, as "a, b, c".
per_run() { collect "$@" | awk '{ printf "%s%d", sep, $1; sep = ", " }'; }

# The "thread=NAME;phrase/s;between/s;cpu_s" lines of every meditation run, as
# "NAME<TAB>median phrase/s<TAB>median between/s<TAB>median CPU s<TAB>median share %<TAB>runs",
# the threads that used the most CPU first. Threads are matched across runs by name alone:
# a thread missing from a run simply has fewer values.
thread_medians() {
    local file
    for file in "$@"; do
        awk -F';' '/^thread=/ { sub(/^thread=/, ""); total += $4; line[++n] = $0 }
            END { for (i = 1; i <= n; i++) { split(line[i], f, ";");
                  printf "%s\t%s\t%s\t%s\t%s\n", f[1], f[2], f[3], f[4], (total > 0 ? 100 * f[4] / total : 0) } }' "$file"
    done | awk -F'\t' '
        function median(list,   v, n, i, j, t) {
            n = split(list, v, " ")
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        { if (!($1 in runs)) order[++count] = $1
          runs[$1]++; p[$1] = p[$1] " " $2; b[$1] = b[$1] " " $3; c[$1] = c[$1] " " $4; s[$1] = s[$1] " " $5 }
        END { for (i = 1; i <= count; i++) { name = order[i]
              printf "%s\t%.1f\t%.1f\t%.3f\t%.1f\t%d\n", name, median(p[name]), median(b[name]), median(c[name]), median(s[name]), runs[name] } }' |
        sort -t$'\t' -k4,4gr
}

# whole_process COLUMN FILE...: the median over runs of the sum over threads of a column
# (2: wake-ups per s while a phrase sounds, 3: between phrases, 4: CPU s).
whole_process() {
    local column=$1 file sums=()
    shift
    for file in "$@"; do
        sums+=("$(awk -F';' -v c="$column" '/^thread=/ { sub(/^thread=/, ""); n += $c } END { print n + 0 }' "$file")")
    done
    median "${sums[@]}"
}

# The table's rows for each thread.
thread_rows() {
    local name phrase between cpu share runs
    while IFS=$'\t' read -r name phrase between cpu share runs; do
        echo "| Thread \`$name\`: wake-ups per s between phrases / during phrases | $between / $phrase | $(fmt "$share" 0) % of the process's CPU while playing ($(fmt "$cpu") s); in $runs of $RUNS runs |"
    done < <(thread_medians "$@")
}

main() {
    install_missing_tools
    build
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/nesvara-bench.XXXXXX")
    ERRLOG="$WORK/stderr.log"
    touch "$ERRLOG"
    trap 'status=$?; if ((status)); then echo "bench: failed; the programs said:" >&2; cat "$ERRLOG" >&2; fi; rm -rf "$WORK"' EXIT
    PROGRAM="$WORK/program"
    mkdir -p "$PROGRAM"
    cp -r "$BUILD/bin/Sounds" "$PROGRAM/"
    export QT_QPA_PLATFORM=offscreen
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$WORK}

    local med=() i
    for ((i = 1; i <= RUNS; i++)); do
        local m="$WORK/meditation.$i"
        log "meditation $i/$RUNS ($MINUTES min)"
        run_meditation "$m"
        local wall background
        wall=$(value "$m" wall_s)
        background=$(grep -m1 '/BackSounds/' "$m.files")
        log "ffplay $i/$RUNS (${wall} s)"
        run_ffplay "$m.ffplay" "$background" "$wall"
        run_decode "$m.decode" "$m.files" "$wall"
        med+=("$m")
    done

    make_tones
    local gaps=()
    for ((i = 1; i <= RUNS; i++)); do
        log "background joins $i/$RUNS ($GAP_MINUTES min, disk driver)"
        run_gap "$WORK/gap.$i"
        gaps+=("$WORK/gap.$i")
    done

    log "stops (20 meditations, disk driver)"
    run_stops "$WORK/stops.out"

    log "a $LONG_MINUTES-minute meditation, $LONG_WINDOW s of it"
    run_long "$WORK/long.out"

    log "collection and start-up"
    "$BUILD/bench/bench_collection" "$WORK/musiclists.bin" 20 >"$WORK/collection"
    cp "$WORK/musiclists.bin" "$PROGRAM/musiclists.bin"
    local starts=()
    for ((i = 1; i <= STARTUP_RUNS; i++)); do
        run_startup "$WORK/startup.$i"
        starts+=("$WORK/startup.$i")
    done

    local ffplays=() decodes=()
    for i in "${med[@]}"; do
        ffplays+=("$i.ffplay")
        decodes+=("$i.decode")
    done

    local med_raw_cpu med_measuring_cpu med_cpu med_play_cpu ff_cpu plain_cpu resample_cpu
    med_raw_cpu=$(median $(collect cpu_s "${med[@]}"))
    med_measuring_cpu=$(median $(collect measuring_cpu_s "${med[@]}"))
    med_cpu=$(median $(without_measuring cpu_s "${med[@]}"))
    med_play_cpu=$(median $(without_measuring meditation_cpu_s "${med[@]}"))
    ff_cpu=$(median $(collect cpu_s "${ffplays[@]}"))
    plain_cpu=$(median $(collect plain_cpu_s "${decodes[@]}"))
    resample_cpu=$(median $(collect resample_cpu_s "${decodes[@]}"))
    local wall phrase_s between_s
    wall=$(median $(collect wall_s "${med[@]}"))
    phrase_s=$(median $(collect phrase_s "${med[@]}"))
    between_s=$(median $(collect between_s "${med[@]}"))
    local ff_cpu_per_min
    ff_cpu_per_min=$(awk -v c="$ff_cpu" -v w="$wall" 'BEGIN { print c / w * 60 }')

    cat <<EOF

Nesvara benchmarks: release build, medians of $RUNS runs ($STARTUP_RUNS for start-up); $(nproc) cores, $(uname -m)
Meditation: $MINUTES min, reminders every ${REMINDS_SECONDS} s on average, background "$(basename "$(grep -m1 '/BackSounds/' "${med[0]}.files")")", no music, no introduction;
SDL dummy driver, offscreen window; it lasted $(fmt "$wall" 1) s (phrases $(fmt "$phrase_s" 1) s, between them $(fmt "$between_s" 1) s).
Wake-ups: context switches, voluntary and involuntary, from /proc/<pid>/task/*/status; CPU per thread: utime + stime from /proc/<pid>/task/*/stat.

| Figure | Median | Notes |
|---|---|---|
| Meditation, CPU s (whole process, user+sys) | $(fmt "$med_cpu") | start-up, the meditation and exit; without the $(fmt "$med_measuring_cpu" 3) s the benchmark's own sampling of /proc took ($(fmt "$med_raw_cpu") s with it) |
| Meditation, CPU s while playing | $(fmt "$med_play_cpu") | from Start to the end, without start-up, exit and sampling |
| ffplay -nodisp playing the background alone, CPU s | $(fmt "$ff_cpu") | same driver, same length ($(fmt "$wall" 0) s, -loop 0), start-up included |
| Ratio meditation / ffplay | $(ratio "$med_cpu" "$ff_cpu") | whole processes; target: at most 0.3 |
| libmpg123 alone, CPU s for the same audio | $(fmt "$plain_cpu" 3) | background for $(fmt "$wall" 0) s + the phrases played, float at the files' rates and layouts; ratio meditation / libmpg123: $(ratio "$med_cpu" "$plain_cpu") |
| Decoding + resampling to 44.1 kHz (the layer's decoder), CPU s | $(fmt "$resample_cpu" 3) | same audio, decoded as a stream each time |
| Wake-ups per s, whole process, between phrases | $(fmt "$(whole_process 3 "${med[@]}")" 1) | every thread, the UI thread's repaints of the progress among them (see its row); target: at most 15. ffplay, its whole run: $(fmt "$(median $(collect wakeups_per_s "${ffplays[@]}"))" 1) ($(median $(collect threads "${ffplays[@]}")) threads) |
| Wake-ups per s, whole process, in a $LONG_MINUTES-minute meditation | $(fmt "$(value "$WORK/long.out" long_wakeups_per_s)" 1) | every thread, background only, $LONG_WINDOW s from $LONG_FROM s in, one run; the UI thread: $(fmt "$(value "$WORK/long.out" long_ui_wakeups_per_s)" 1); target: at most 15 |
| CPU s per minute in that meditation | $(fmt "$(value "$WORK/long.out" long_cpu_s_per_min)" 3) | whole process, the same window, counted in ticks of $(awk -v t="$(getconf CLK_TCK)" 'BEGIN { print 1000 / t }') ms; ffplay per minute of its run: $(fmt "$ff_cpu_per_min" 3), ratio $(ratio "$(value "$WORK/long.out" long_cpu_s_per_min)" "$ff_cpu_per_min") |
| Wake-ups per s, whole process, during phrases | $(fmt "$(whole_process 2 "${med[@]}")" 1) | every thread |
$(thread_rows "${med[@]}")
| UI thread wake-ups per s between phrases | $(fmt "$(median $(collect between_switches_per_s "${med[@]}"))" 1) | voluntary context switches only, as before; event-loop waits: $(fmt "$(median $(collect between_waits_per_s "${med[@]}"))" 1); the progress's labels were painted anew $(fmt "$(median $(collect between_progress_paints_per_s "${med[@]}"))" 1) times a second meanwhile; target: at most 2 plus one per visible change of the progress |
| UI thread wake-ups per s while a phrase plays | $(fmt "$(median $(collect phrase_switches_per_s "${med[@]}"))" 1) | voluntary context switches only; event-loop waits: $(fmt "$(median $(collect phrase_waits_per_s "${med[@]}"))" 1) |
| Peak resident memory during the meditation, MiB | $(mib "$(median $(collect maxrss_kib "${med[@]}"))") | ru_maxrss of the whole run; target: under 40. ffplay: $(mib "$(median $(collect maxrss_kib "${ffplays[@]}"))") MiB (VmHWM) |
| Resident memory split at its largest sample, MiB | $(mib "$(median $(collect memory_sampled_anon_kib "${med[@]}"))") anonymous + $(mib "$(median $(collect memory_sampled_file_kib "${med[@]}"))") mapped files | sampled at each phrase's start and end ($(mib "$(median $(collect memory_sampled_rss_kib "${med[@]}"))") MiB then); anonymous: heap, window backing store, the background loop held decoded ($(mib "$(median $(collect memory_loop_held_kib "${med[@]}"))") MiB); mapped files: shared libraries and fonts |
| Stop latency, click to silence at the device, ms | $(fmt "$(value "$WORK/stops.out" stop_latency_median_ms)" 1) | worst: $(fmt "$(value "$WORK/stops.out" stop_latency_worst_ms)" 1) ms; $(value "$WORK/stops.out" stops_measured) stops during music at random moments 1 to 3 s in, one run; SDL disk driver, 4096-frame buffers; target: within 100 |
| Largest sample step at a stop, full scale 1 | $(fmt "$(value "$WORK/stops.out" stop_step_largest)" 3) | the music's own largest step: $(fmt "$(value "$WORK/stops.out" music_step_largest)" 3) (440 Hz at half scale times the instructor's 0.4) |
| Longest silence at a background join, ms | $(fmt "$(median $(collect longest_silence_ms "${gaps[@]}"))") | worst of all runs: $(fmt "$(maximum $(collect longest_silence_ms "${gaps[@]}"))") ms; holes over 1 ms per run: $(per_run holes_over_1ms "${gaps[@]}"), background files opened per run: $(per_run background_streams "${gaps[@]}"); SDL disk driver, $GAP_MINUTES-min meditation on a 1.5 s + 1 s tone playlist |
| Start-up until the main window is painted, ms | $(fmt "$(median $(collect startup_from_launch_ms "${starts[@]}"))" 0) | from launch; from main(): $(fmt "$(median $(collect startup_from_main_ms "${starts[@]}"))" 0) ms; demo library + $(fmt "$(value "$WORK/collection" collection_playlists)" 0) music playlists of 10 files |
| Loading that collection, ms | $(fmt "$(value "$WORK/collection" collection_load_ms)" 1) | musiclists.bin, $(fmt "$(value "$WORK/collection" collection_kib)" 0) KiB; median of 20 |
| Saving that collection, ms | $(fmt "$(value "$WORK/collection" collection_save_ms)" 1) | median of 20 |
EOF
}

[ "${BENCH_ONLY_JOURNAL:-0}" = 1 ] || main "$@"

# ---- Practice journal ----------------------------------------------------------------
# Its own program and table: opening the "Дневник практики" window on a journal of
# BENCH_JOURNAL_ROWS meditations (10000 by default), and recording one meditation in it.
# BENCH_ONLY_JOURNAL=1 runs this part alone.
journal_bench() {
    local rows=${BENCH_JOURNAL_ROWS:-10000} work output
    if [ ! -f "$BUILD/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    log "building bench_journal in $BUILD"
    if ! output=$(cmake --build "$BUILD" -j2 --target bench_journal 2>&1); then
        echo "$output"
        exit 1
    fi
    work=$(mktemp -d "${TMPDIR:-/tmp}/nesvara-journal-bench.XXXXXX")
    log "practice journal: $rows meditations"
    if ! QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work \
        "$BUILD/bench/bench_journal" "$work/journal" "$rows" "$RUNS" >"$work/out" 2>"$work/err"; then
        cat "$work/err" >&2
        rm -rf "$work"
        exit 1
    fi
    local out=$work/out
    cat <<EOF

Practice journal: $(fmt "$(value "$out" journal_rows)" 0) meditations, the journal's folder on $(df -T "$work" | awk 'NR == 2 { print $2 }')

| Figure | Value | Notes |
|---|---|---|
| Opening "Дневник практики" in a fresh process, ms | $(fmt "$(value "$out" journal_open_first_ms)" 1) | click to painted: database opened and checked, every row read, totals, streaks and chart; target under 200 |
| Opening it again, ms | $(fmt "$(value "$out" journal_open_ms)" 1) | median of $RUNS; slowest $(fmt "$(value "$out" journal_open_max_ms)" 1) ms |
| Recording one meditation, ms | $(fmt "$(value "$out" journal_record_ms)" 2) | one transaction, synchronous=FULL; median of $(fmt "$(value "$out" journal_records)" 0), 95th percentile $(fmt "$(value "$out" journal_record_p95_ms)" 2) ms, slowest $(fmt "$(value "$out" journal_record_max_ms)" 2) ms; target under 10 |
EOF
    rm -rf "$work"
}
journal_bench
