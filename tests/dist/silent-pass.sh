#!/usr/bin/env bash
# Runs a validator and passes only when it succeeds without a word: its hints and
# warnings count as failures (the manual page's formatted text itself is dropped).
set -uo pipefail
if [ "$1" = man ]; then
    out=$("$@" 2>&1 >/dev/null)
else
    out=$("$@" 2>&1)
fi
status=$?
[ -n "$out" ] && printf '%s\n' "$out"
[ "$status" -eq 0 ] && [ -z "$out" ]
