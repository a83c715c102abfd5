#!/usr/bin/env bash
# man_pages_match_help.sh PAGE_DIR PROGRAM...: each program's manual page
# (PAGE_DIR/<name>.md) and its --help list the same options: every option in
# the Options part of --help is in the page's OPTIONS section and every option
# there is in --help.
set -euo pipefail
pages=$1
shift
# The options named in a text (Markdown's emphasis and escapes dropped): -x or
# --word, not inside a word ("K-th").
options() {
    sed 's/\*//g; s/\\-/-/g' | grep -oE '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]+//' | sort -u
}
status=0
for program in "$@"; do
    name=$(basename "$program")
    in_help=$("$program" --help | sed -n '/^Options:/,$p' | options)
    in_page=$(sed -n '/^# OPTIONS$/,/^# /p' "$pages/$name.md" | options)
    [ -n "$in_help" ] || { echo "FAIL: $name --help names no option"; status=1; }
    if [ "$in_help" != "$in_page" ]; then
        echo "FAIL: $name: --help and the manual page differ (< only in --help, > only in the page):"
        diff <(echo "$in_help") <(echo "$in_page") | grep '^[<>]'
        status=1
    else
        echo "$name: $(echo $in_help)"
    fi
done
exit $status
