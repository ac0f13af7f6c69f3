#!/usr/bin/env bash
# Every verb and option of the programs' --help is in the manual pages (in the verb's own section) and
# offered by the bash completion; file arguments complete the files of their kind.
#   docs_cover_help_test.sh CLI GUI|'' DOCS_DIR
set -u  # no pipefail: grep -q may close a pipe early
cli=$1 gui=$2 docs=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Option names of a help text: the names column of the lines that begin with a dash after their indent.
options_in() { grep -E '^ {2,6}-' | sed -E 's/^ +//; s/ {2,}.*//' | grep -oE '(^|[ ,])--?[A-Za-z0-9][A-Za-z0-9-]*' | tr -d ' ,'; }
# A manual page as plain words: escapes of hyphens and fonts undone.
plain() { sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$1"; }
# The lines of a page from its heading (.SH/.SS TITLE) to the next heading.
section() { plain "$1" | awk -v t="$2" '/^\.S[HS] /{on = ($0 == t)} on'; }
has_word() { grep -qE -- "(^|[^A-Za-z0-9-])$1([^A-Za-z0-9-]|$)"; }

source /usr/share/bash-completion/bash_completion || { echo "FAIL: bash-completion is not installed"; exit 1; }
source "$docs/pm514rx-cli"
# COMPREPLY for a command line whose last word is being completed.
complete_line() {
  COMP_LINE=$1 COMP_POINT=${#1}
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMPREPLY=()
  _pm514rx_cli
  printf '%s\n' "${COMPREPLY[@]}"
}

cli_page=$docs/pm514rx-cli.1
verbs=$("$cli" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')
[ -n "$verbs" ] || fail "no verbs in pm514rx-cli --help"
for option in $("$cli" --help | options_in); do
  section "$cli_page" '.SH OPTIONS' | has_word "$option" || fail "pm514rx-cli.1 OPTIONS lacks $option"
  complete_line 'pm514rx-cli -' | grep -qxF -- "$option" || fail "completion before a verb lacks $option"
done
for verb in $verbs; do
  complete_line 'pm514rx-cli ' | grep -qxF "$verb" || fail "completion lacks the verb $verb"
  text=$(section "$cli_page" ".SS \"$verb\"")
  [ -n "$text" ] || fail "pm514rx-cli.1 has no section for $verb"
  offered=$(complete_line "pm514rx-cli $verb -")
  for option in $("$cli" "$verb" --help | options_in); do
    has_word "$option" <<<"$text" || fail "pm514rx-cli.1 section $verb lacks $option"
    grep -qxF -- "$option" <<<"$offered" || fail "completion of $verb lacks $option"
  done
done
if [ -n "$gui" ]; then
  for option in $(QT_QPA_PLATFORM=offscreen "$gui" --help 2>/dev/null | options_in); do
    section "$docs/pm514rx.1" '.SH OPTIONS' | has_word "$option" || fail "pm514rx.1 OPTIONS lacks $option"
  done
fi

# Values by kind: channel files, CSV files, choices and serial ports.
cd "$(mktemp -d)" && mkdir folder && touch plan.sin list.csv notes.txt
while IFS='|' read -r name line want; do
  got=$(complete_line "$line" | sort | tr '\n' ' ')
  [ "$got" = "$want " ] || fail "completion $name: [$line] gave [$got], want [$want]"
done <<'ROWS'
channel file argument|pm514rx-cli show |folder plan.sin
CSV argument|pm514rx-cli import |folder list.csv
CSV output|pm514rx-cli export plan.sin -o |folder list.csv
choices|pm514rx-cli export plan.sin --layout |community native
number range|pm514rx-cli edit plan.sin --band |0 1
second argument|pm514rx-cli diff plan.sin |folder plan.sin
port names|pm514rx-cli read -o x.sin --port CO|COM1 COM2 COM3 COM4
ROWS

[ "$failures" -eq 0 ]
