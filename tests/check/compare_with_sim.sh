#!/usr/bin/env bash
# The checker must print the very lines the plugin logs for a file: the server is given the file
# and loads the plugin; its error lines and its count line must be the checker's, timestamps aside.
set -u
sim=$1 checker=$2 config=$3 work=$4

rm -rf "$work"
mkdir -p "$work"
printf 'config %s\nload\n' "$config" >"$work/scenario.txt"

# Line ends as the programs write them: CRLF on Windows.
plugin_lines() { tr -d '\r' | grep -ao '\[DinoTuner\]\[\(error\|info\)\] .*' | grep -av '\] Config Loaded!$' | grep -a '\]\[error\] \|dino balances!$'; }

"$sim" --no-load --dir "$work/server" --script "$work/scenario.txt" >"$work/sim.out" 2>&1
"$checker" "$config" >"$work/check.out"

plugin_lines <"$work/sim.out" >"$work/sim.lines"
plugin_lines <"$work/check.out" >"$work/check.lines"

if [ ! -s "$work/sim.lines" ]; then
    echo "FAIL: the server logged no line of the plugin"
    cat "$work/sim.out"
    exit 1
fi
if ! diff -u "$work/sim.lines" "$work/check.lines"; then
    echo "FAIL: the checker's lines differ from the plugin's"
    exit 1
fi
