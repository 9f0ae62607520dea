#!/usr/bin/env bash
# The forms of the end-to-end cases table (cases.tsv), for its runners:
# sourced by run-cases.sh, and run as a command by the page's test,
#
#   forms.sh FUNCTION ARGS...
#
# files   ";"-separated NAME=CONTENT, made in the current folder. CONTENT is
#         printf %b text, "N*TEXT" for TEXT (without NUL) repeated N times,
#         or "@PATH", a file of the repository. A NAME may lie in folders,
#         which are made; a NAME ending in "/" is only a folder.
# out     "@PATH", or a listing written the short way: "[3,2] [0,0] [2,0]"
#         is the header line of a 3 x 2 map, then points.
# In args, NAMEs and outname, "{N*TEXT}" stands for TEXT repeated N times,
# for long paths.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}

trim() { local s=${1#"${1%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

# content FORM: writes the bytes FORM stands for to standard output.
content() {
  local form=$1
  if [[ $form == @* ]]; then
    cat "$root/${form#@}"
  elif [[ $form =~ ^([0-9]+)\*(.*)$ ]]; then
    local n=${BASH_REMATCH[1]} text
    text=$(printf '%b.' "${BASH_REMATCH[2]}")  # the dot keeps trailing line feeds
    perl -e 'print $ARGV[0] x $ARGV[1]' "${text%.}" "$n"
  else
    printf '%b' "$form"
  fi
}

# long TEXT: TEXT with each "{N*PART}" in it repeated out.
long() { printf '%s' "$1" | perl -pe 's/\{(\d+)\*([^}]*)\}/$2 x $1/ge'; }

# listing WORDS: the listing that the short form stands for.
listing() {
  local head=$1; shift
  printf '%-50s\n' "$head // map size"
  [ $# -eq 0 ] || printf '%s\n' "$@"
}

# files FILES: makes the files of a row's files column here.
files() {
  local entries entry file
  IFS=';' read -ra entries <<<"$1"
  for entry in "${entries[@]}"; do
    entry=$(trim "$entry")
    [ -n "$entry" ] || continue
    file=$(long "${entry%%=*}")
    if [[ $file == */ ]]; then mkdir -p -- "$file"; continue; fi
    mkdir -p -- "$(dirname -- "$file")"
    content "${entry#*=}" >"$file"
  done
}

# want OUT: the bytes of a listing that a row's out column names.
want() {
  local words
  if [[ $1 == @* ]]; then content "$1"; else read -ra words <<<"$1"; listing "${words[@]}"; fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then "$@"; fi
