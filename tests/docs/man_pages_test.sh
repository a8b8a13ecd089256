#!/usr/bin/env bash
# The manual pages against the programs: every command, option and symbology that the programs'
# own help lists appears in the pages and nothing else does, option by option per command; and
# every option the page gives a command is accepted by the program for that command.
#   man_pages_test.sh <bcreader> <bcreader-sim> <folder of bcreader.1 and bcreader-sim.1>
set -uo pipefail
cli=$1 sim=$2 pages=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# roff as plain text: \- is a dash, font changes vanish.
plain() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"; }
# The lines of section $2 (.SH NAME) of page $1.
section() { plain "$1" | awk -v s="$2" '/^\.SH/ { on = ($2 == s) ; next } on'; }
options() { grep -o -- '--[a-z0-9][a-z0-9-]*' | sed 's/^--//' | sort -u | grep -vx -e help -e version; }
# The first word of each .TP entry's tag line.
tags() { awk 'prev == ".TP" { print $2 } { prev = $1 }'; }
words() { echo $(cat); }
same() {  # same <what> <from the program> <from the page>
  [ "$2" == "$3" ] || fail "$1: program [$2], page [$3]"
}

# bcreader: commands, then each command's options.
commands=$("$cli" --help | awk '/^Commands:/ { on = 1; next } /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }' |
  sort | words)
page_commands=$(section "$pages/bcreader.1" COMMANDS | awk '/^\.SS/ { gsub(/"/, ""); print $2 }' | sort |
  words)
same "bcreader commands" "$commands" "$page_commands"
[ -n "$commands" ] || fail "bcreader --help lists no command"
for command in $commands; do
  from_help=$("$cli" help "$command" 2>/dev/null | options | words)
  block=$(section "$pages/bcreader.1" COMMANDS |
    awk -v c="$command" '/^\.SS/ { t = $0; gsub(/"/, "", t); split(t, w, " "); on = (w[2] == c) } on')
  from_page=$(echo "$block" | options | words)
  same "bcreader $command options" "$from_help" "$from_page"
  # The program accepts each: a valued option with =v, a switch alone; --help ends the parse
  # before the command runs.
  for option in $from_page; do
    "$cli" "$command" "--$option=v" --help >/dev/null 2>&1 ||
      "$cli" "$command" "--$option" --help >/dev/null 2>&1 ||
      fail "bcreader $command refuses --$option"
  done
done
# Options mentioned anywhere in the page, beyond the commands' own sections, exist too.
command_options=$(section "$pages/bcreader.1" COMMANDS | options)
for option in $(plain "$pages/bcreader.1" | options); do
  grep -qx -- "$option" <<<"$command_options" || fail "bcreader.1: --$option belongs to no command"
done
symbologies=$("$cli" help get | awk '/^Symbologies/ { on = 1; next } on && /^  [a-z0-9]+ \(/ { print $1 }' |
  sort | words)
page_symbologies=$(section "$pages/bcreader.1" SYMBOLOGIES | tags | sort | words)
same "bcreader symbologies" "$symbologies" "$page_symbologies"
[ -n "$symbologies" ] || fail "bcreader help get lists no symbology"

# bcreader-sim: its options, and the commands it reads from standard input.
usage=$("$sim" --help)
same "bcreader-sim options" "$(echo "$usage" | sed '/^Commands/,$d' | options | words)" \
  "$(section "$pages/bcreader-sim.1" OPTIONS | options | words)"
same "bcreader-sim commands" \
  "$(echo "$usage" | sed '1,/^Commands/d' | awk '/^  [a-z]/ { print $1 }' | sort | words)" \
  "$(section "$pages/bcreader-sim.1" COMMANDS | tags | sort | words)"
"$sim" --no-such-option >/dev/null 2>&1 && fail "bcreader-sim accepts an unknown option"

# --version: the program's version and the library's, both the version the pages give.
version=$(grep -o '"bcreader [0-9.]*"' "$pages/bcreader.1" | tr -d '"' | cut -d' ' -f2)
for program in "$cli" "$sim"; do
  name=$(basename "$program")
  out=$("$program" --version) || fail "$name --version exits with $?"
  same "$name --version" "$out" "$(printf '%s %s\nlibbcreader %s' "$name" "$version" "$version")"
  plain "$pages/$name.1" | grep -- '--version' >/dev/null || fail "$name.1 does not give --version"
done

[ "$failures" -eq 0 ] && echo "man pages agree with the programs"
exit $((failures > 0))
