#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's two recipes for a folder shared among machines, run here on
# one: GNU parallel with this machine as its one ssh login (":"), and an
# indexed job array (Slurm's or Kubernetes') as three jobs started at once.
# Either way every picture must be made exactly once, into one folder.
#   shards.sh VELMORA_CLI SAMPLES_FOLDER
set -euo pipefail

cli=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/photos"
for i in 0 1 2 3 4 5 6; do
    cp "$samples/sample.png" "$work/photos/p$i.png"
    cp "$samples/sample-depth.png" "$work/photos/p$i-depth.png"
done

# Every picture made once: seven results, and seven "made" over the shards.
check() {
    local out=$1 log=$2
    local results made
    results=$(find "$out" -type f | wc -l)
    made=$(awk '{ sum += $1 } END { print sum }' "$log")
    if [ "$results" -ne 7 ] || [ "$made" -ne 7 ]; then
        echo "expected 7 results made once, found $results files and $made made:" >&2
        cat "$log" >&2
        exit 1
    fi
}

# GNU parallel, each shard on a login of its own (here the one local one).
parallel --sshlogin : --jobs 3 \
    "$cli" -q batch anaglyph --images "$work/photos" --depth-suffix -depth --parallax 6 \
    --out "$work/parallel" --jobs 1 --shard {}/3 ::: 0 1 2 >"$work/parallel.log"
check "$work/parallel" "$work/parallel.log"

# An indexed job array: the index and the count from the scheduler's variables.
for index in 0 1 2; do
    JOB_COMPLETION_INDEX=$index sh -c '"$0" -q batch anaglyph --images "$1" --depth-suffix -depth --parallax 6 \
        --out "$2" --jobs 1 --shard "$JOB_COMPLETION_INDEX/3"' "$cli" "$work/photos" "$work/array" \
        >>"$work/array.log" &
done
wait
check "$work/array" "$work/array.log"

# Resumed after a machine was lost: only what it did not make is made.
rm "$work/array/p2.png" "$work/array/p5.png"
"$cli" -q batch anaglyph --images "$work/photos" --depth-suffix -depth --parallax 6 --out "$work/array" --resume \
    >"$work/resume.log"
grep -qx "2 made, 0 failed, 5 skipped" "$work/resume.log" || { cat "$work/resume.log" >&2; exit 1; }
echo "every picture made exactly once"
