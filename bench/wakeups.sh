#!/usr/bin/env bash
# Wake-ups per second of every thread of a playing meditation (voluntary plus involuntary
# context switches, read from /proc/PID/task/TID/status), in three one-minute meditations
# through the real audio layer on SDL's silent driver, the window offscreen:
#
#   between   technique "silence" with the rain background: only the background sounds
#   during    breath phrases back to back (interval 100 ms), the rain background: a phrase always sounds
#   reminders reminders every 3 s on average with the rain background
#   long      technique "silence" with the rain background in a 30-minute meditation, stopped
#             after the window: the progress moves once every 1.8 s instead of 16 times a
#             second, so what remains is the cost of waiting itself
#
# The counts are taken from WINDOW_FROM to WINDOW_TO seconds after launch, inside the main
# part of the meditation, so start-up, introduction and closing are left out. Threads that
# start or end inside the window count for the part they lived.
#
#   bench/wakeups.sh [BUILD_DIR]    (default: build; needs bench/bench_meditation built)
#   SCENARIOS="between long" bench/wakeups.sh    only these
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-$ROOT/build}
PROGRAM=$BUILD/bin
BENCH=${BENCH:-$BUILD/bench/bench_meditation}
WINDOW_FROM=${WINDOW_FROM:-12}
WINDOW_TO=${WINDOW_TO:-52}

[ -x "$BENCH" ] || { echo "wakeups: $BENCH is not built" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# snapshot PID: one line per thread: TID NAME VOLUNTARY INVOLUNTARY
snapshot() {
    local pid=$1 task tid name vol invol
    for task in /proc/"$pid"/task/*; do
        tid=${task##*/}
        name=$(tr ' ' '_' <"$task/comm" 2>/dev/null) || continue
        vol=$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "$task/status" 2>/dev/null) || continue
        invol=$(sed -n 's/^nonvoluntary_ctxt_switches:\s*//p' "$task/status" 2>/dev/null) || continue
        [ -n "$vol" ] && [ -n "$invol" ] || continue
        [ "$tid" = "$pid" ] && name="ui:$name"
        echo "$tid $name $vol $invol"
    done
}

# measure NAME ARGS...: runs bench_meditation with ARGS and prints wake-ups per second per
# thread over the window, and the whole process.
measure() {
    local label=$1 minutes=$2
    shift 2
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$BENCH" --program-dir "$PROGRAM" --minutes "$minutes" "$@" \
        >"$WORK/$label.out" 2>"$WORK/$label.err" &
    local pid=$! start
    start=$(date +%s.%N)
    local samples="$WORK/$label.samples"
    : >"$samples"
    while kill -0 "$pid" 2>/dev/null; do
        local now
        now=$(date +%s.%N)
        local at
        at=$(awk -v a="$now" -v b="$start" 'BEGIN { printf "%.2f", a - b }')
        if awk -v t="$at" -v to="$WINDOW_TO" 'BEGIN { exit !(t > to) }'; then
            snapshot "$pid" | sed "s/^/$at /" >>"$samples"
            break
        fi
        if awk -v t="$at" -v from="$WINDOW_FROM" 'BEGIN { exit !(t >= from) }'; then
            snapshot "$pid" | sed "s/^/$at /" >>"$samples"
        fi
        sleep 0.5
    done
    # A meditation longer than the window is not waited for.
    if [ "$minutes" -gt 1 ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    else
        wait "$pid" || { echo "wakeups: bench_meditation failed for $label" >&2; cat "$WORK/$label.err" >&2; }
    fi
    # Per thread: the first and last counts seen in the window (a thread born in it starts
    # from 0), over the window's length. On a busy machine the involuntary switches (the
    # thread was preempted) grow with the load; the voluntary ones are the thread's own waits.
    awk -v label="$label" '
        {
            at = $1; tid = $2; name = $3; v = $4; i = $5
            if (first_at == "") first_at = at
            last_at = at
            if (!(tid in fv)) { fv[tid] = (at == first_at) ? v : 0; fi[tid] = (at == first_at) ? i : 0 }
            lv[tid] = v; li[tid] = i; names[tid] = name
        }
        END {
            span = last_at - first_at
            if (span <= 0) { print label ": no window"; exit }
            for (tid in lv) {
                rv = (lv[tid] - fv[tid]) / span; ri = (li[tid] - fi[tid]) / span
                tv += rv; ti += ri
                printf "%-10s %-24s %8.1f %8.1f %8.1f\n", label, names[tid] "(" tid ")", rv + ri, rv, ri
            }
            printf "%-10s %-24s %8.1f %8.1f %8.1f\n", label, "whole process", tv + ti, tv, ti
        }' "$samples" | sort -k1,1 -k3,3nr
    grep -E '^(between|phrase)_(switches|waits)_per_s=' "$WORK/$label.out" | sed "s/^/$label ui thread (in-process count): /" || true
}

echo "scenario   thread                   wake-ups/s  voluntary involuntary"
SCENARIOS=${SCENARIOS:-between during reminders long}
for scenario in $SCENARIOS; do
    case $scenario in
    between) measure between 1 --technique 0 --backsound 1 ;;
    during) measure during 1 --technique 4 --breath-ms 100 --backsound 1 ;;
    reminders) measure reminders 1 --technique 1 --reminder-sec 3 --backsound 1 ;;
    long) measure long 30 --technique 0 --backsound 1 ;;
    *) echo "wakeups: unknown scenario $scenario" >&2; exit 1 ;;
    esac
done
