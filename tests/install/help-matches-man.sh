#!/usr/bin/env bash
# Fails unless PROGRAM --help and its man page document the same options:
#   help-matches-man.sh PROGRAM MANPAGE
# Options are those --help lists and those the man page's OPTIONS section
# gives an entry; every long option mentioned anywhere in the page, examples
# included, must be one --help knows.
set -euo pipefail
program=$1 page=$2

# The options at the start of each line on stdin, one a line: "-p,--plugin
# NAME" and "-p, --plugin NAME" both give -p and --plugin; "--capture[=DEVICE]"
# gives --capture.
leading_options() {
	awk '{
		for (i = 1; i <= NF && $i ~ /^-/; i++) {
			n = split($i, parts, ",")
			for (j = 1; j <= n; j++)
				if (parts[j] ~ /^-/) { sub(/[[=].*/, "", parts[j]); print parts[j] }
		}
	}' | sort -u
}

text=$(groff -man -Tascii -P-cbou -rLL=1000n -rHY=0 "$page")
help=$("$program" --help | grep -E '^  -' | leading_options)
man=$(sed -n '/^OPTIONS$/,/^[A-Z]/p' <<<"$text" | grep -E '^       -' | leading_options)
mentioned=$(grep -oE -- '--[a-z][a-z-]*[a-z]' <<<"$text" | sort -u)

status=0
only_help=$(comm -23 <(echo "$help") <(echo "$man"))
only_man=$(comm -13 <(echo "$help") <(echo "$man"))
unknown=$(comm -13 <(echo "$help") <(echo "$mentioned"))
[ -z "$only_help" ] || { echo "$page: no entry for $(echo $only_help), which $program --help lists" >&2; status=1; }
[ -z "$only_man" ] || { echo "$page: an entry for $(echo $only_man), which $program --help does not list" >&2; status=1; }
[ -z "$unknown" ] || { echo "$page: mentions $(echo $unknown), which $program does not know" >&2; status=1; }
[ -n "$help" ] || { echo "$program --help lists no options" >&2; status=1; }
exit "$status"
