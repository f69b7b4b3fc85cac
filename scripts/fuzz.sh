#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, writes fresh seed corpora and runs each target for a
# bounded time, then fuzzes the real vorlix-cli from outside for 60 s (cli_fuzz). Exits non-zero
# when any target finds a crash, a sanitizer report, a hang or a broken invariant.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-fuzz
targets=(fuzz_list_reader fuzz_entry_details fuzz_type_change fuzz_cue_sheet fuzz_directory_walk
    fuzz_scan_image)
seconds=20

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORLIX_FUZZ=ON -DVORLIX_BUILD_WINDOW=OFF -DVORLIX_BUILD_BENCH=OFF -DVORLIX_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_seeds "${targets[@]}" vorlix-cli cli_fuzz \
    vorlix-make-test-disc

corpus=$build/fuzz-corpus
rm -rf "$corpus" "$build/fuzz-out"
"$build/bin/fuzz_seeds" "$corpus"
# The disc fuzz_scan_image damages, with the real mastering tools' movie layouts as well.
rm -rf "$build/fuzz-disc"
"$build/tests/vorlix-make-test-disc" "$build/fuzz-disc" --layout mastered-movie \
    --layout interleaved-movies --layout record-ends >/dev/null
export VORLIX_FUZZ_DISC=$PWD/$build/fuzz-disc

export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
status=0
summary=()
for target in "${targets[@]}"; do
    out=$build/fuzz-out/$target
    mkdir -p "$out"
    log=$out/log.txt
    if "$build/bin/$target" -max_total_time=$seconds -timeout=5 -rss_limit_mb=2048 \
        -artifact_prefix="$out/" -print_final_stats=1 "$corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -n 1)
        summary+=("$target: ok, ${runs:-?} runs in ${seconds} s, corpus $(ls "$corpus/$target" | wc -l)")
    else
        tail -n 40 "$log" >&2
        summary+=("$target: FAILED, input and log in $out")
        status=1
    fi
done
# The real vorlix-cli against random and mutated lists, files and command lines.
out=$build/fuzz-out/cli_fuzz
mkdir -p "$out"
if "$build/bin/cli_fuzz" "$build/bin/vorlix-cli" "$out" 60 >"$out/log.txt" 2>&1; then
    summary+=("cli_fuzz: ok, $(cat "$out/log.txt")")
else
    tail -n 40 "$out/log.txt" >&2
    summary+=("cli_fuzz: FAILED, case and log in $out")
    status=1
fi

printf '%s\n' "${summary[@]}"
exit $status
