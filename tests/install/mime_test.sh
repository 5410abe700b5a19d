#!/usr/bin/env bash
# The installed MIME package makes a book's docitem.txt a type of its own, a
# kind of plain text, and leaves other text files alone.
#   mime_test.sh ROOT MIME_PROBE
# Exits 77 (skipped) where update-mime-database is not installed.
set -euo pipefail
root=$1 probe=$2
command -v update-mime-database >/dev/null || { echo "update-mime-database not installed: skipped"; exit 77; }
faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }

work=$(mktemp -d "$(dirname "$root")/mime.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The package's types beside the system's own, so the catalogue has to win
# over text/plain's *.txt as it must on a desktop.
mkdir -p "$work/share/mime/packages"
cp "$root"/share/mime/packages/*.xml "$work/share/mime/packages/"
[ ! -f /usr/share/mime/packages/freedesktop.org.xml ] || cp /usr/share/mime/packages/freedesktop.org.xml "$work/share/mime/packages/"
# It notes that the scratch folder is not searched: the probe is told where it is.
update-mime-database "$work/share/mime" >"$work/update.log" 2>&1 ||
  fault "update-mime-database refused the package: $(cat "$work/update.log")"

book="$work/一本 书"
mkdir -p "$book"
printf '\xb7\xe2\xc3\xe6-cover.jpg-intro.txt\r\n' >"$book/docitem.txt"
cp "$book/docitem.txt" "$book/DOCITEM.TXT"
printf 'notes\n' >"$book/intro.txt"
printf 'docitem\n' >"$book/docitem.txt.bak"

XDG_DATA_DIRS="$work/share" "$probe" "$book/docitem.txt" "$book/DOCITEM.TXT" "$book/intro.txt" \
  "$book/docitem.txt.bak" >"$work/types"
cat "$work/types"
field() { awk -F'\t' -v f="$1" -v n="$2" '$1 == f { print $n }' "$work/types"; }

catalogue=$(field "$book/docitem.txt" 2)
[[ "$catalogue" != text/plain && "$catalogue" != application/octet-stream ]] ||
  fault "docitem.txt is $catalogue, not a type of its own"
grep -q "^MimeType=.*$catalogue;" "$root/share/applications/org.aurelis.corvane.desktop" ||
  fault "corvane's desktop entry does not declare $catalogue"
[ "$(field "$book/docitem.txt" 3)" = text ] || fault "docitem.txt is not a kind of text/plain: editors would not be offered"
[ "$(field "$book/DOCITEM.TXT" 2)" = "$catalogue" ] || fault "DOCITEM.TXT is not recognised as a catalogue"
[ -n "$(field "$book/docitem.txt" 4)" ] || fault "the type has no English comment"
field "$book/docitem.txt" 5 | LC_ALL=C grep -q -P '[\x80-\xff]' || fault "the type has no Chinese comment"
for other in intro.txt docitem.txt.bak; do
  [ "$(field "$book/$other" 2)" != "$catalogue" ] || fault "$other is taken for a catalogue"
done

# Nothing the user did not ask for is claimed: no plain text, no folders.
mime=$(sed -n 's/^MimeType=//p' "$root"/share/applications/*.desktop | tr ';' '\n' | sed '/^$/d' | sort -u)
[ "$mime" = "$catalogue" ] || fault "the desktop entries claim: ${mime//$'\n'/ }"

[ "$faults" -eq 0 ] || exit 1
echo "MIME: docitem.txt is $catalogue, a kind of text/plain"
