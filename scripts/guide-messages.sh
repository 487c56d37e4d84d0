#!/usr/bin/env bash
# The guide's table of messages against the program's own texts, cell by cell.
#   scripts/guide-messages.sh <guide.md> <quellor.exe>
# One line per row of the table under "# Сообщения quellor": "[  OK  ]"
# when its message and its caption are the program's texts exactly, "[FAILED]"
# with the part that is not. Exit status 1 when a row failed or the table is
# missing.
#
# The program's texts are read from quellor.exe itself: every string of its
# data (Windows-1251, ended by a zero byte). A box's text may be built from
# several of them (a path, a port's name or a number goes in between), and a
# string may hold a number's place as "%lu". So a cell is cut where the guide
# marks a value in italics (*путь*, *N*, COM*n*: the port's name), and each
# piece between must be a whole piece of one of the program's strings; a
# caption must be one of them whole, or "—" for a box without its own.
# Compared as lines: "<br>" in a cell and the program's "\n\r", "\n\n\r" and
# "\n" all end a line, empty lines and blanks at the ends of lines do not
# count.
set -euo pipefail
guide=$1
exe=$2
[ -f "$guide" ] || { echo "no $guide" >&2; exit 2; }
[ -f "$exe" ] || { echo "no $exe" >&2; exit 2; }

export LC_ALL=C
texts=$(mktemp)
trap 'rm -f "$texts"' EXIT

# The same canonical form on both sides: lines joined by "\037", blanks
# collapsed, no line breaks or blanks at the ends.
canon='
function canon(s) {
    gsub(/\r/, "\n", s)
    gsub(/[ \t]*\n[ \t\n]*/, "\037", s)
    gsub(/[ \t]+/, " ", s)
    gsub(/^[ \037]+|[ \037]+$/, "", s)
    return s
}'

# The program's strings, cut at their "%lu"-like places, one piece a line.
# Bytes that Windows-1251 does not define (iconv -c drops them) lie outside
# any text.
iconv -c -f CP1251 -t UTF-8 <"$exe" | tr '\0' '\036' | awk -v RS='\036' "$canon"'
    length($0) >= 2 && $0 !~ /[\001-\010\013\014\016-\035\177]/ {
        n = split($0, pieces, /%l?[dus]/)
        for (i = 1; i <= n; i++) { piece = canon(pieces[i]); if (piece != "") print piece }
    }' >"$texts"

awk "$canon"'
    function shown(s) { gsub(/\037/, " / ", s); return s }
    FNR == NR { known[$0] = 1; next }
    /^# / { inside = ($0 == "# Сообщения quellor"); next }
    !inside || !/^\|/ { next }
    /^\|[-| ]+\|$/ { next }
    {
        row = $0
        sub(/^\| */, "", row); sub(/ *\|$/, "", row)
        split(row, cells, / \| /)
        if (!header++) next
        rows++
        message = cells[1]; caption = cells[2]
        gsub(/<br>/, "\n", message)
        first = shown(canon(message))
        bad = ""
        n = split(message, parts, /(COM)?\*[^*]+\*/)
        for (i = 1; i <= n; i++) {
            part = canon(parts[i])
            if (part != "" && !(part in known)) bad = bad " \"" shown(part) "\""
        }
        if (caption != "—" && !(canon(caption) in known)) bad = bad " caption \"" caption "\""
        if (bad == "") {
            print "[  OK  ] the guide quotes the program: " first
        } else {
            print "[FAILED] the guide quotes the program: " first
            print "         not a text of the program:" bad
            failed++
        }
    }
    END {
        if (!rows) { print "[FAILED] the guide has a table of messages"; exit 1 }
        exit failed > 0
    }' "$texts" "$guide"
