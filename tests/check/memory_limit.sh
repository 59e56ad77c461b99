#!/usr/bin/env bash
# Hostile files under a cap on the address space: a 100,000-character species key holding
# thousands of members all called "a", and a file far above the size bound (a hole, not data).
# The checker and the plugin in the simulated server must read, warn and refuse within the cap,
# where keeping anything per key written twice, or reading the large file, would run out.
set -u
checker=$1 sim=$2 work=$3
cap=$((256 * 1024 * 1024))

rm -rf "$work"
mkdir -p "$work"

# {"GlobalDinoBalance": null, "DinoBalance": {"KKK...": {"a":0,"a":0,...}}} with `count` members.
hostile() {
    local count=$1
    printf '{"GlobalDinoBalance": null, "DinoBalance": {"'
    head -c 100000 /dev/zero | tr '\0' K
    printf '": {"a":0'
    yes ',"a":0' | head -n $((count - 1)) | tr -d '\n'
    printf '}}}'
}
hostile 5000 >"$work/5000.json"
hostile 200000 >"$work/200000.json"
truncate -s 64G "$work/huge.json"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_in OUTPUT TEXT...: each TEXT is in OUTPUT.
expect_in() {
    local output=$1 text
    shift
    for text in "$@"; do
        grep -aqF -- "$text" <<<"$output" || fail "missing: $text"
    done
}

for count in 5000 200000; do
    more=$((count - 1 - 20))
    output=$(prlimit --as=$cap "$checker" "$work/$count.json" 2>&1)
    status=$?
    [ "$status" = 0 ] || fail "dinotuner-check on $count duplicates: exit status $status"
    expect_in "$output" "[DinoTuner][warning] ... and $more more keys written twice" "$more more keys are written twice" \
        "[DinoTuner][info] Loaded 1 dino balances!"
    grep -a 'written twice' <<<"$output" | grep -aq 'K\{201\}' && fail "a key written twice is named at more length than a log line shows"
done

output=$(prlimit --as=$cap "$checker" "$work/huge.json" 2>&1)
status=$?
[ "$status" = 1 ] || fail "dinotuner-check on a 64 GB file: exit status $status"
expect_in "$output" "[DinoTuner][error] Can't open config file: $work/huge.json (larger than 32 MB)"

cat >"$work/scenario.txt" <<SCRIPT
config $work/200000.json
load
expect [DinoTuner][warning] ... and 199979 more keys written twice
expect [DinoTuner][info] Loaded 1 dino balances!
config $work/5000.json
console DinoTuner.Reload
expect [DinoTuner][warning] ... and 4979 more keys written twice
SCRIPT
output=$(prlimit --as=$cap "$sim" --no-load --dir "$work/server" --script "$work/scenario.txt" 2>&1)
status=$?
[ "$status" = 0 ] || fail "the simulated server: exit status $status"

if [ "$failures" -ne 0 ]; then
    echo "---- last output"
    cut -c1-300 <<<"$output"
    exit 1
fi
echo "all within $((cap / 1024 / 1024)) MB of address space"
rm -rf "$work"
