#!/usr/bin/env bash
# Runs the end-to-end cases of a cases table against a built gridpin.
#
#   run-cases.sh [--root DIR] [--platform linux|windows] [--cases FILE] TOOL...
#
# TOOL... runs gridpin (for instance "wine gridpin.exe"). Each case runs in
# a scratch folder of its own and must match in exit status, standard error
# (printf %b text), empty standard output and the file "out" afterwards. On
# windows every line the tool writes must end in CR LF; the table holds LF.
#
# Rows: name | on | args | files | status | stderr | out [| outname]
# on      all, linux or windows: where the case runs
# out     "=" unchanged (or still absent), "-" absent, "sha256:HEX", or a
#         form of forms.sh; outname the file out speaks of, if not "out"
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
platform=linux
cases=
while [ $# -gt 0 ]; do
  case $1 in
    --root) root=$2; shift 2 ;;
    --platform) platform=$2; shift 2 ;;
    --cases) cases=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: run-cases.sh [--root DIR] [--platform P] [--cases FILE] TOOL..." >&2; exit 2; }
cases=${cases:-$root/tests/cli/cases.tsv}
tool=("$@")
# Cases run in scratch folders, so a tool given by a relative path is made absolute.
[ -e "${tool[0]}" ] && tool[0]=$(realpath "${tool[0]}")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# shellcheck source=forms.sh
source "$(dirname "$0")/forms.sh"

# lf FILE: on windows, checks that every line feed in FILE follows a CR and
# turns CR LF into LF in place.
lf() {
  [ "$platform" = windows ] || return 0
  perl -0777 -i -pe 'if (/(?<!\r)\n/) { print STDERR "bare line feed\n"; exit 3 } s/\r\n/\n/g' "$1"
}

passed=0 failed=0 n=0
while IFS= read -r line || [ -n "$line" ]; do
  [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
  IFS='|' read -r name on args files status stderr out outname <<<"$line"
  name=$(trim "$name"); on=$(trim "$on"); args=$(long "$(trim "$args")")
  files=$(trim "$files"); status=$(trim "$status"); stderr=$(trim "$stderr"); out=$(trim "$out")
  outname=$(long "$(trim "$outname")"); outname=${outname:-out}
  [ "$on" = all ] || [ "$on" = "$platform" ] || continue

  n=$((n + 1))
  dir=$scratch/$n
  mkdir -p "$dir/run"
  (
    cd "$dir/run" || exit 1
    files "$files"
    [ -e "$outname" ] && cp "$outname" ../before
    read -ra words <<<"$args"
    "${tool[@]}" "${words[@]}" >../stdout 2>../stderr </dev/null
    echo $? >../status
  )

  why=()
  got=$(cat "$dir/status")
  [ "$got" = "$status" ] || why+=("status $got, expected $status")
  [ -s "$dir/stdout" ] && why+=("standard output not empty")
  lf "$dir/stderr" || why+=("standard error line ends")
  printf '%b' "$stderr" >"$dir/stderr.want"
  cmp -s "$dir/stderr" "$dir/stderr.want" || why+=("standard error: $(od -An -c "$dir/stderr" | tr -s ' ' | head -c 200)")

  actual=$dir/run/$outname
  case $out in
    =) if [ -e "$dir/before" ]; then cmp -s "$actual" "$dir/before" || why+=("out was changed")
       else [ -e "$actual" ] && why+=("out was created"); fi ;;
    -) [ -e "$actual" ] && why+=("out exists") ;;
    *) if [ ! -f "$actual" ]; then why+=("out missing")
       elif ! lf "$actual"; then why+=("out line ends")
       elif [[ $out == sha256:* ]]; then
         [ "$(sha256sum <"$actual" | cut -d' ' -f1)" = "${out#sha256:}" ] || why+=("out sha256 differs")
       else
         want "$out" >"$dir/out.want"
         cmp -s "$actual" "$dir/out.want" || why+=("out differs: $(cmp "$actual" "$dir/out.want" 2>&1 | head -c 200)")
       fi ;;
  esac

  if [ ${#why[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL %s: %s\n' "$name" "$(IFS=';'; echo "${why[*]}")"
  fi
done <"$cases"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
