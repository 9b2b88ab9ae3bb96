#!/usr/bin/env bash
# Checks that the option tables of the README and the operators' guide and
# the programs' --help name the same options, and that the tables give every
# default --help shows as --help shows it, so none can drift from the others.
# Usage: readme_options.sh SERVER CLIENT README GUIDE
set -euo pipefail
server=$1 client=$2 readme=$3 guide=$4

options() { grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help\|--version' | sort -u; }
# The lines of the section of file $1 under heading $2, up to the next heading.
section() { awk -v heading="$2" '$0 == heading { on = 1; next } /^## / { on = 0 } on' "$1"; }
# The first cells of the table rows that name an option.
option_cells() { grep '^| `--' | cut -d'|' -f2; }
# "--name default" of each option --help shows with a default ("--threads N=4").
help_defaults() { sed -nE 's/^ +(--[a-z][a-z-]*) [^ =]+=([^ ]+).*/\1 \2/p' | sort; }
# "--name default" of each option a table row names: its Default cell without backquotes.
table_defaults() {
  grep '^| `--' | awk -F'|' '{
    value = $3; gsub(/`/, "", value); gsub(/^ +| +$/, "", value)
    cells = split($2, quoted, "`")
    for (i = 2; i <= cells; i += 2) { split(quoted[i], word, " "); print word[1] " " value }
  }' | sort
}

status=0
compare() {
  if ! diff <(echo "$2") <(echo "$3") >/dev/null; then
    echo "$1: the document (<) and --help (>) differ:"
    diff <(echo "$2") <(echo "$3") | grep '^[<>]' || true  # go on to the other tables
    status=1
  fi
}
# Compares the defaults of table $2 with those --help shows ($3), for the options --help shows one of.
compare_defaults() {
  compare "$1" "$(awk 'NR == FNR { shown[$1]; next } $1 in shown' <(echo "$3") <(echo "$2"))" "$3"
}
server_usage=$("$server" --help)
server_help=$(echo "$server_usage" | options)
server_defaults=$(echo "$server_usage" | help_defaults)
for table in "README:$readme:## Host options" "guide:$guide:## Server options"; do
  IFS=: read -r label file heading <<<"$table"
  rows=$(section "$file" "$heading")
  compare "quorax-server ($label)" "$(echo "$rows" | option_cells | options)" "$server_help"
  compare_defaults "quorax-server defaults ($label)" "$(echo "$rows" | table_defaults)" \
    "$server_defaults"
done
compare "quorax" \
  "$(section "$readme" '## Command-line client' | awk '/^quorax verify/ { on = 1 } /^```/ { on = 0 } on' | options)" \
  "$("$client" --help | options)"
exit $status
