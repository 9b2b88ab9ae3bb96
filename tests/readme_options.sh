#!/usr/bin/env bash
# Checks that the option tables of the README and the operators' guide and
# the programs' --help name the same options, so none can drift from the others.
# Usage: readme_options.sh SERVER CLIENT README GUIDE
set -euo pipefail
server=$1 client=$2 readme=$3 guide=$4

options() { grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help\|--version' | sort -u; }
# The lines of the section of file $1 under heading $2, up to the next heading.
section() { awk -v heading="$2" '$0 == heading { on = 1; next } /^## / { on = 0 } on' "$1"; }
# The first cells of the table rows that name an option.
option_cells() { grep '^| `--' | cut -d'|' -f2; }

status=0
compare() {
  if ! diff <(echo "$2") <(echo "$3") >/dev/null; then
    echo "$1: the document (<) and --help (>) differ:"
    diff <(echo "$2") <(echo "$3") | grep '^[<>]'
    status=1
  fi
}
server_help=$("$server" --help | options)
compare "quorax-server (README)" \
  "$(section "$readme" '## Host options' | option_cells | options)" "$server_help"
compare "quorax-server (guide)" \
  "$(section "$guide" '## Server options' | option_cells | options)" "$server_help"
compare "quorax" \
  "$(section "$readme" '## Command-line client' | awk '/^quorax verify/ { on = 1 } /^```/ { on = 0 } on' | options)" \
  "$("$client" --help | options)"
exit $status
