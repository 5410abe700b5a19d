#!/bin/sh
# Makes a compressed manual page from its scdoc source:
#   manual-page.sh SCDOC SOURCE.scd PAGE.gz
# troff breaks lines only at spaces, which Chinese text has none of: a break
# point goes after each full-width punctuation mark, or long paragraphs overrun.
set -eu
"$1" <"$2" >"$3.roff"
sed 's/\([，。；：、）”]\)/\1\\:/g' "$3.roff" | gzip -9n >"$3"
rm -f "$3.roff"
