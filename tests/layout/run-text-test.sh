#!/usr/bin/env bash
# Runs page-to-text and checks what it left behind.
#   run-text-test.sh golden EXPECTED OUT -- command...
#     the command succeeds and OUT equals EXPECTED byte for byte;
#   run-text-test.sh refused OUT -- command...
#     the command fails, says why, and OUT is as it was before (absent,
#     or a file it could not write, unchanged);
#   run-text-test.sh read-only OUT -- command...
#     the same with OUT made a read-only file first (for root, who writes
#     read-only files, an immutable one); exit status 77 (skipped) where
#     neither can be made.
set -u
mode=$1
if [ "$mode" = golden ]; then
  expected=$2
  out=$3
  shift 4
  rm -f "$out"
  if ! "$@"; then
    echo "page-to-text failed"
    exit 1
  fi
  if ! cmp "$expected" "$out"; then
    echo "--- expected ($expected)"
    cat -A "$expected" | head -40
    echo "--- actual ($out)"
    cat -A "$out" | head -40
    exit 1
  fi
  exit 0
fi
out=$2
shift 3
if [ "$mode" = read-only ]; then
  [ ! -e "$out" ] || chattr -i "$out" 2>/dev/null || true
  rm -f "$out"
  echo kept >"$out"
  chmod a-w "$out"
  if [ "$(id -u)" = 0 ]; then
    # Root writes files without write permission; an immutable file it
    # cannot write either. Made mutable again whatever happens, so that the
    # build folder can be removed.
    if ! chattr +i "$out" 2>/dev/null; then
      echo "root writes read-only files and this file system has no immutable files: nothing to check"
      exit 77
    fi
    trap 'chattr -i "$out" 2>/dev/null' EXIT
  fi
fi
state() {  # a device such as /dev/full reads for ever: only files are summed
  if [ -f "$1" ]; then cksum <"$1"; elif [ -e "$1" ]; then echo other; else echo absent; fi
}
before=$(state "$out")
# Under Wine the program's two outputs arrive as one.
message=$("$@" 2>&1)
rc=$?
echo "$message"
if [ $rc -eq 0 ]; then
  echo "the save was reported as a success"
  exit 1
fi
if ! grep -q "cannot write" <<<"$message"; then
  echo "no message that says the save failed"
  exit 1
fi
after=$(state "$out")
if [ "$before" != "$after" ]; then
  echo "the file was left changed: $after (before: $before)"
  exit 1
fi
exit 0
