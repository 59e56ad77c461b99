#!/usr/bin/env bash
# Runs each libFuzzer target of a DINOTUNER_FUZZ build for SECONDS, one after the other, from the
# seed corpus, the regression inputs (but those of bugs not fixed yet) and whatever earlier runs
# in the same build folder found. Fails when a target crashes, leaks, trips a sanitizer or one of
# its invariants, and prints every target's executions and coverage.
# usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$build/fuzz-runs
targets=(config check rcon)
mkdir -p "$work"
"$build/bin/fuzz-dictionary" >"$work/config.dict" || exit 1
expected=$(grep -v '^#' "$root/fuzz/regressions/expected-failures.txt" 2>/dev/null | awk 'NF { print $1 }')

# Fills a fresh folder with the seeds of one target and prints its path.
seed_folder() {
  local target=$1 folder=$work/seeds-$target file
  rm -rf "$folder" && mkdir -p "$folder"
  case $target in
    config | check) cp "$root/examples/config.json" "$root"/tests/check/*.json "$root"/fuzz/seeds/config/* "$folder"/ ;;
    rcon) cp "$root"/fuzz/seeds/rcon/* "$folder"/ ;;
  esac
  for file in "$root/fuzz/regressions/$target"/*; do
    [ -f "$file" ] || continue
    # A known crash whose fix has not landed would stop the run at once: it is replayed by CTest.
    grep -qxF "$target/$(basename "$file")" <<<"$expected" && continue
    cp "$file" "$folder/regression-$(basename "$file")"
  done
  echo "$folder"
}

# The value after "NAME:" in libFuzzer's last status line.
status_field() {
  sed -n "s/.* $1: *\([^ ]*\).*/\1/p" <<<"$2"
}

failed=0
failed_targets=0
summary=()
for target in "${targets[@]}"; do
  corpus=$work/corpus-$target
  artifacts=$work/artifacts-$target
  log=$work/$target.log
  mkdir -p "$corpus" "$artifacts"
  seeds=$(seed_folder "$target")
  dictionary=()
  [ "$target" = rcon ] || dictionary=(-dict="$work/config.dict")
  echo "fuzz-$target: ${seconds}s (log: $log)"
  # A smaller quarantine than ASan's 256 MB: freed memory is reused sooner, which keeps the
  # resident size and the page faults of a long run down. Inputs may reach 16 KiB, above
  # libFuzzer's 4 KiB default: a full 4 KiB RCON packet and what follows it, a config file of
  # some size.
  ASAN_OPTIONS=quarantine_size_mb=64:detect_leaks=1 LSAN_OPTIONS=suppressions="$(dirname "$0")/lsan-suppressions.txt" UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/bin/fuzz-$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${dictionary[@]}" "$corpus" "$seeds" >"$log" 2>&1
  status=$?

  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  problem=""
  if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|fuzz invariant broken' "$log"; then
    problem=$(grep -m1 -E 'ERROR: |runtime error:|fuzz invariant broken' "$log")
  elif [ "$status" -ne 0 ]; then
    problem="exit status $status"
  fi
  if [ -n "$problem" ]; then
    failed=1
    failed_targets=$((failed_targets + 1))
    echo "FAILED fuzz-$target: $problem"
    tail -n 60 "$log"
    echo "input kept in: $(ls -t "$artifacts" | head -1 | sed "s|^|$artifacts/|")"
    echo "replay it: build/bin/fuzz-replay-$target FILE (then move FILE to fuzz/regressions/$target/)"
  fi
  summary+=("$(printf '%-12s %10s %8s %7s %7s %8s  %s' "fuzz-$target" "${execs:-?}" "${rate:-?}" \
    "$(status_field cov "$last")" "$(status_field ft "$last")" "$(status_field corp "$last")" "${problem:-ok}")")
done

echo
printf '%-12s %10s %8s %7s %7s %8s  %s\n' target execs exec/s cov ft corpus result
printf '%s\n' "${summary[@]}"
echo "fuzz: $((${#targets[@]} - failed_targets)) passed, $failed_targets failed"
exit "$failed"
