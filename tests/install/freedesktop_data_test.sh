#!/usr/bin/env bash
# The installed desktop entries and AppStream metainfo pass their validators and
# point at what the tree holds (programs, icons, desktop entries).
#   freedesktop_data_test.sh desktop_entries|metainfo ROOT VERSION
# Exits 77 (skipped) where the validator is not installed.
set -euo pipefail
kind=$1 root=$2 version=$3
faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }
value() { sed -n "s/^$1=//p" "$2" | head -n 1; }

case "$kind" in
desktop_entries)
  command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate not installed: skipped"; exit 77; }
  entries=("$root"/share/applications/*.desktop)
  [ "${#entries[@]}" -eq 3 ] || fault "expected 3 desktop entries, found ${#entries[@]}"
  for e in "${entries[@]}"; do
    name=$(basename "$e")
    desktop-file-validate "$e" || fault "$name does not validate"
    program=$(value Exec "$e" | cut -d' ' -f1)
    [ -x "$root/bin/$program" ] || fault "$name starts $program, which is not installed"
    icon=$(value Icon "$e")
    [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fault "$name shows icon $icon, which is not installed"
    # The general reader is a viewer; the title editions are books to learn from.
    case "$name" in
      org.aurelis.corvane.desktop) categories="Office;Viewer;" ;;
      *) categories="Education;Literature;" ;;
    esac
    [ "$(value Categories "$e")" = "$categories" ] || fault "$name: Categories is not $categories"
    # The programs speak Chinese; so do their entries.
    for key in Name Comment Keywords; do
      value "$key" "$e" | LC_ALL=C grep -q -P '[\x80-\xff]' || fault "$name: $key has no Chinese"
    done
  done
  ;;
metainfo)
  command -v appstreamcli >/dev/null || { echo "appstreamcli not installed: skipped"; exit 77; }
  files=("$root"/share/metainfo/*.metainfo.xml)
  [ "${#files[@]}" -eq 3 ] || fault "expected 3 metainfo files, found ${#files[@]}"
  for m in "${files[@]}"; do
    name=$(basename "$m")
    appstreamcli validate --no-net "$m" || fault "$name does not validate"
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$m")
    [ "$name" = "$id.metainfo.xml" ] || fault "$name holds the component $id"
    newest=$(grep -o '<release version="[^"]*"' "$m" | head -n 1 | cut -d'"' -f2)
    [ "$newest" = "$version" ] || fault "$name: newest release $newest, the project is at $version"
    grep -q '<developer id=' "$m" || fault "$name names no developer"
    # The newest release says what it brings.
    sed -n '/<release /,/<\/release>/p' "$m" | grep -q '<p' || fault "$name: the release $newest has no notes"
    for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$m"); do
      [ -x "$root/bin/$binary" ] || fault "$name provides $binary, which is not installed"
    done
  done
  # The tree as a whole: each launchable names a desktop entry that is installed.
  appstreamcli validate-tree --no-net "$root" || fault "the installed tree does not validate"
  ;;
*)
  echo "usage: freedesktop_data_test.sh desktop_entries|metainfo ROOT VERSION" >&2
  exit 2
  ;;
esac

[ "$faults" -eq 0 ] || exit 1
echo "$kind: all valid"
