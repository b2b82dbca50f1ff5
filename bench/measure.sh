# Shared by the benchmark scripts: they define `work` (a scratch folder) and `count` (pictures per
# run) before calling these.

# Runs a command once; sets wall (seconds) and peak (MB, largest process).
measure() {
    local log="$work/time.log"
    if ! /usr/bin/time -f '%e %M' -o "$log" "$@" >/dev/null 2>"$work/stderr.log"; then
        echo "failed: $*" >&2
        cat "$work/stderr.log" >&2
        exit 1
    fi
    read -r wall peak_kb <"$log"
    peak=$((peak_kb / 1024))
}

declare -A secs
row() {  # row NAME: prints the last measurement
    secs[$1]=$wall
    awk -v n="$1" -v t="$wall" -v c="$count" -v m="$peak" \
        'BEGIN {printf "  %-44s %7.2f s  %7.2f pictures/s  %6d MB peak\n", n, t, c / t, m}'
}
ratio() {  # ratio PEER OURS GOAL: the peer's time over ours, at least GOAL
    awk -v n="$1" -v p="${secs[$1]}" -v o="${secs[$2]}" -v g="$3" \
        'BEGIN {r = p / o; printf "  %-44s %6.2f   goal >= %-4s %s\n", n, r, g, (r >= g ? "met" : "missed")}'
}
within() {  # within OURS BOUND GOAL: our time over the bound's, at most GOAL
    awk -v n="$1 / bound" -v o="${secs[$1]}" -v b="${secs[$2]}" -v g="$3" \
        'BEGIN {r = o / b; printf "  %-44s %6.2f   goal <= %-4s %s\n", n, r, g, (r <= g ? "met" : "missed")}'
}
