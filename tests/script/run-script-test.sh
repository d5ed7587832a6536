#!/usr/bin/env bash
# Runs the script host and compares what it printed, and its exit status,
# with an expected file. Lines are compared up to 60 characters; Wine's own
# messages are left out.
#   run-script-test.sh EXPECTED -- command...
set -u
expected=$1
shift 2
out=$("$@" 2>&1)
rc=$?
actual=$(printf '%s\n' "$out" | tr -d '\r' |
  grep -E '^(alert|error [0-9]+|result|code|loaded|first part|resolved|JS_Init|missing|cannot|usage|fail|table)' |
  cut -c1-60; echo "exit: $rc")
if [ "$actual" != "$(cut -c1-60 "$expected")" ]; then
  echo "--- expected ($expected)"
  cat "$expected"
  echo "--- actual"
  printf '%s\n' "$actual"
  echo "--- full output"
  printf '%s\n' "$out"
  exit 1
fi
exit 0
