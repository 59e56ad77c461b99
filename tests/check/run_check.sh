#!/usr/bin/env bash
# Runs dinotuner-check on one configuration file and holds its output to the file's .expect:
#   exit N          the exit status (of both the text and the --json run)
#   strict N        the exit status with --strict
#   warnings N      the number of warnings (in the text and in the JSON findings)
#   errors N        the number of errors (likewise)
#   output TEXT     the text output contains TEXT
#   no-output TEXT  it does not
# Piped output must be plain (no terminal colours).
set -u
checker=$1 config=$2 expect=$3

text=$("$checker" "$config"); text_status=$?
json=$("$checker" --json "$config"); json_status=$?
"$checker" --strict "$config" >/dev/null; strict_status=$?

# Findings of one severity in the JSON report.
json_count() { grep -ac "\"severity\": \"$1\"" <<<"$json"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

while IFS= read -r line || [ -n "$line" ]; do
    case $line in
        ''|'#'*) ;;
        'exit '*)
            want=${line#exit }
            [ "$text_status" = "$want" ] || fail "exit status $text_status, expected $want"
            [ "$json_status" = "$want" ] || fail "--json exit status $json_status, expected $want"
            grep -q "\"exitStatus\": $want," <<<"$json" || fail "--json does not report exitStatus $want"
            ;;
        'strict '*)
            want=${line#strict }
            [ "$strict_status" = "$want" ] || fail "--strict exit status $strict_status, expected $want"
            ;;
        'warnings '*|'errors '*)
            kind=${line%% *} want=${line#* }
            prefix=${kind%s}
            got=$(grep -ac "^$prefix: " <<<"$text")
            [ "$got" = "$want" ] || fail "$got $kind, expected $want"
            got=$(json_count "$prefix")
            [ "$got" = "$want" ] || fail "--json lists $got $kind, expected $want"
            ;;
        'output '*)
            grep -aqF -- "${line#output }" <<<"$text" || fail "missing: ${line#output }"
            ;;
        'no-output '*)
            grep -aqF -- "${line#no-output }" <<<"$text" && fail "unexpected: ${line#no-output }"
            ;;
        *) fail "bad expectation: $line" ;;
    esac
done <"$expect"

if grep -aq $'\033' <<<"$text"; then
    fail "terminal colours in piped output"
fi

if [ "$failures" -ne 0 ]; then
    echo "---- output of dinotuner-check $config"
    echo "$text"
    exit 1
fi
