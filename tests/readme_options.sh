#!/usr/bin/env bash
# Checks that the README's option tables and the programs' --help name the
# same options, so neither can drift from the other.
# Usage: readme_options.sh SERVER CLIENT README
set -euo pipefail
server=$1 client=$2 readme=$3

options() { grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help\|--version' | sort -u; }
# The lines of the README section under heading $1, up to the next heading.
section() { awk -v heading="$1" '$0 == heading { on = 1; next } /^## / { on = 0 } on' "$readme"; }

status=0
compare() {
  if ! diff <(echo "$2") <(echo "$3") >/dev/null; then
    echo "$1: README (<) and --help (>) differ:"
    diff <(echo "$2") <(echo "$3") | grep '^[<>]'
    status=1
  fi
}
compare "quorax-server" \
  "$(section '## Host options' | grep '^| `--' | cut -d'`' -f2 | options)" \
  "$("$server" --help | options)"
compare "quorax" \
  "$(section '## Command-line client' | awk '/^quorax verify/ { on = 1 } /^```/ { on = 0 } on' | options)" \
  "$("$client" --help | options)"
exit $status
