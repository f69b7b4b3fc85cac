#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the installed tree as a user gets it: the
# installed vorlix-cli scans, rips, silences and verifies the test builder's disc with the blank
# files it finds in share/vorlix/blanks, the window starts, the menu entry, the AppStream
# metainfo and the manual pages validate, and the completion loads. Usage: scripts/install_test.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
app=org.vorlix.vorlix
passed=0
failed=0

check() {
    local name=$1
    shift
    local log=$work/log
    if "$@" >"$log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "install check FAILED: $name" >&2
        sed 's/^/    /' "$log" >&2
    fi
}

# man prints a warning for each roff problem; a clean page prints none.
man_clean() {
    local out
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null) || return 1
    [ -z "$out" ] || { echo "$out"; return 1; }
}

# A rip, then verify the data track: the blank files came from share/, and the image is sound
# once rewritten with valid sectors and its audio track silenced.
rip_and_verify() {
    local cli=$prefix/bin/vorlix-cli cue list=$work/disc/disc.vlx
    cue=$(ls "$work"/disc/*.cue) || return 1
    "$cli" verify "$cue" || return 1
    "$cli" scan "$cue" --output "$list" || return 1
    tr -d '\r' <"$list" | grep -q ':0$' || { echo "no movie listed"; return 1; }
    "$cli" rip "$list" "$cue" --valid-sectors | grep -q '^Rip Complete$' || return 1
    "$cli" silence-audio "$cue" | grep -q '^Silenced 1 audio track: ' || return 1
    "$cli" verify "$cue" --list "$list"
}

# Still running after two seconds: it opened its window (offscreen) with the files given.
window_starts() {
    local status=0
    QT_QPA_PLATFORM=offscreen timeout 2 "$prefix/bin/vorlix" "$work/disc/disc.vlx" || status=$?
    [ "$status" -eq 124 ]
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    exit 1
}
check "the installed files" test -x "$prefix/bin/vorlix-cli" -a -x "$prefix/bin/vorlix" \
    -a -s "$prefix/share/vorlix/blanks/blank.STR" -a -s "$prefix/share/vorlix/blanks/blank.XA" \
    -a ! -e "$prefix/bin/blanks" \
    -a -s "$prefix/share/icons/hicolor/scalable/apps/$app.svg" \
    -a -s "$prefix/share/icons/hicolor/48x48/apps/$app.png" \
    -a -s "$prefix/share/mime/packages/$app.xml"
check "the test disc" "$build/tests/vorlix-make-test-disc" "$work/disc"
check "scan, rip, silence-audio and verify with the installed vorlix-cli" rip_and_verify
check "the window starts" window_starts
check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$app.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml"
for page in "$prefix"/share/man/man1/vorlix.1 "$prefix"/share/man/man1/vorlix-cli.1; do
    check "man -l $(basename "$page")" man_clean "$page"
done
check "bash completion" bash -c 'source /usr/share/bash-completion/bash_completion &&
    source "$1" && complete -p vorlix-cli' _ "$prefix/share/bash-completion/completions/vorlix-cli"

echo "install checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
