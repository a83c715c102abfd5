#!/usr/bin/env bash
# man_pages_match_help.sh PAGE_DIR PROGRAM...: each program's manual page
# (PAGE_DIR/<name>.md) and its --help list the same options: every option
# --help lists is an entry of the page's OPTIONS section and every entry there
# is listed by --help.
set -euo pipefail
pages=$1
shift
# The option names at the head of each line ("-h, --help", "--ticks N ..."),
# one a line, sorted.
leading_options() {
    grep -oE '^(-[-[:alnum:]]+)(, ?-[-[:alnum:]]+)*' | tr ',' '\n' | tr -d ' ' | sort -u
}
status=0
for program in "$@"; do
    name=$(basename "$program")
    # --help: the lines of its Options part that start with an option.
    in_help=$("$program" --help | sed -n '/^Options:/,$p' | grep -E '^ {1,8}-' | sed -E 's/^ +//' | leading_options)
    # The page: the entries (lines in bold) of its OPTIONS section, Markdown dropped.
    in_page=$(sed -n '/^# OPTIONS$/,/^# /p' "$pages/$name.md" | grep '^\*\*' | sed 's/\*//g; s/\\-/-/g' | leading_options)
    [ -n "$in_help" ] || { echo "FAIL: $name --help lists no option"; status=1; }
    if [ "$in_help" != "$in_page" ]; then
        echo "FAIL: $name: --help and the manual page differ (< only in --help, > only in the page):"
        diff <(echo "$in_help") <(echo "$in_page") | grep '^[<>]'
        status=1
    else
        echo "$name: $(echo $in_help)"
    fi
done
exit $status
