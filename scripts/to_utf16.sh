#!/bin/sh
# to_utf16.sh SRC OUT: UTF-8 text to UTF-16LE with a byte-order mark and CRLF lines.
set -e
{ printf '\377\376'; sed 's/\r*$/\r/' "$1" | iconv -f UTF-8 -t UTF-16LE; } > "$2.tmp"
mv "$2.tmp" "$2"
