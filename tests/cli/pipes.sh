#!/usr/bin/env bash
# Pipes and FIFOs as outfile, against a built gridpin on Linux:
#
#   pipes.sh TOOL...
#
# a pipe read in full gets the whole listing; a FIFO whose reader comes
# late gets it too; a pipe or FIFO reader that stops early ends the run
# with the write failure, status 1. Each run is under a timeout, so that a
# hang fails its case rather than the suite.
set -uo pipefail
tool=("$@")
[ -e "${tool[0]}" ] && tool[0]=$(realpath "${tool[0]}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
limit=20

printf 'O.O\n.O.\n' >small.map
perl -e 'print "O" x 1000000' >big.map
timeout $limit "${tool[@]}" small.map small.lst && timeout $limit "${tool[@]}" big.map big.lst || {
  echo "FAIL: cannot convert into regular files"; exit 1; }

passed=0 failed=0
# check NAME STATUS WANT_STATUS STDERR WANT_STDERR [GOT WANT]: one case.
check() {
  local why=()
  [ "$2" = "$3" ] || why+=("status $2, expected $3")
  [ "$4" = "$5" ] || why+=("standard error '$4', expected '$5'")
  [ $# -lt 6 ] || cmp -s "$6" "$7" || why+=("$6 differs from $7")
  if [ ${#why[@]} -eq 0 ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); printf 'FAIL %s: %s\n' "$1" "$(IFS=';'; echo "${why[*]}")"; fi
}

timeout $limit "${tool[@]}" big.map /dev/stdout 2>err | cat >got
check "pipe read in full" "${PIPESTATUS[0]}" 0 "$(cat err)" "" got big.lst

timeout $limit "${tool[@]}" big.map /dev/stdout 2>err | head -c 10 >/dev/null
check "reader that stops early" "${PIPESTATUS[0]}" 1 "$(cat err)" "problem writing to outfile"

mkfifo fifo
timeout $limit "${tool[@]}" small.map fifo 2>err &
sleep 1
timeout $limit cat fifo >got
wait $!
check "FIFO with a late reader" $? 0 "$(cat err)" "" got small.lst

timeout $limit head -c 10 fifo >/dev/null &
timeout $limit "${tool[@]}" big.map fifo 2>err
check "FIFO reader that stops early" $? 1 "$(cat err)" "problem writing to outfile"
wait

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
