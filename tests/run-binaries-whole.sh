#!/usr/bin/env bash
# Runs every GoogleTest binary listed in LIST (one path per line) whole, in one process, with
# its tests shuffled and repeated: a test that only passes in a process of its own fails here.
#   run-binaries-whole.sh LIST
set -u
list=$1
failed=0
while IFS= read -r binary; do
    [ -n "$binary" ] || continue
    if output=$("$binary" --gtest_shuffle --gtest_repeat=2 --gtest_brief=1 2>&1); then
        echo "whole, shuffled, repeated: $(basename "$binary") passed"
    else
        echo "whole, shuffled, repeated: $(basename "$binary") FAILED"
        echo "$output" | tail -40
        failed=1
    fi
done <"$list"
exit $failed
