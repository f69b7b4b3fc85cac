#!/bin/sh
# Runs every figure once, so that a change which breaks a figure's own setup shows in the tests.
# Timings on a shared test machine mean nothing, so a missed target (status 3) still passes.
# Skipped (77) where the temporary directory has too little room for the figures' image.
bench=$1
tmp=${TMPDIR:-/tmp}
free_kb=$(df -Pk "$tmp" | awk 'NR == 2 { print $4 }')
if [ "${free_kb:-0}" -lt 4000000 ]; then
    echo "Skipped: less than 4 GB free in $tmp."
    exit 77
fi
"$bench" --repetitions 1
status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ]
