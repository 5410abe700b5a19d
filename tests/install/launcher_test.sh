#!/usr/bin/env bash
# corvane-book, as installed, run against a stand-in corvane that notes the
# folder it was started in and its arguments: it finds corvane and the demo
# book where the installation put them. The choices that show a dialog are
# tested with the dialogs answered in test_desktop; here no dialog is shown,
# except the folder chooser of a start without arguments, which is ended once
# the own book folder has been made.
#   launcher_test.sh ROOT        (ROOT: a tree made by cmake --install)
set -uo pipefail
root=$1
[ -x "$root/bin/corvane-book" ] || { echo "FAULT: $root/bin/corvane-book is not installed" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "$(dirname "$root")/launcher.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R "$root" "$work/prefix"
log="$work/started"
cat >"$work/prefix/bin/corvane" <<STUB
#!/bin/sh
{ printf 'cwd=%s\n' "\$(pwd -P)"; printf 'args=%s\n' "\$#"; } >"$log.part"
mv "$log.part" "$log"
STUB
chmod +x "$work/prefix/bin/corvane"
launcher="$work/prefix/bin/corvane-book"
demo="$work/prefix/share/aurelis/demo-book"
home="$work/家 目录 (home)"
mkdir "$home"

faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }

# run CASE FROM_DIR ARG: the launcher from FROM_DIR; the stand-in starts on its own.
run() {
  local case=$1 from=$2
  shift 2
  rm -f "$log"
  (cd "$from" && HOME="$home" timeout 60 "$launcher" "$@")
  status=$?
  for _ in $(seq 100); do [ -e "$log" ] && break; sleep 0.1; done
  started_in=$(sed -n 's/^cwd=//p' "$log" 2>/dev/null)
  args=$(sed -n 's/^args=//p' "$log" 2>/dev/null)
  current=$case
}
expect_started_in() {
  local dir
  dir=$(cd "$1" && pwd -P)
  [ "$status" -eq 0 ] || fault "$current: launcher failed ($status)"
  [ "$started_in" = "$dir" ] || fault "$current: corvane started in '$started_in', expected '$dir'"
  [ "$args" = 0 ] || fault "$current: corvane was given $args arguments"
}

book="$work/书 架 (2)/我的 第二本 书"
mkdir -p "$book"
printf '\xb7\xe2\xc3\xe6-cover.jpg-intro.txt\r\n' >"$book/docitem.txt"
run "a book folder" / "$book"
expect_started_in "$book"
run "a book folder, relative" "$work/书 架 (2)" "我的 第二本 书"
expect_started_in "$book"
run "its docitem.txt" / "$book/docitem.txt"
expect_started_in "$book"
[ -z "$(ls -A "$home")" ] || fault "opening a book changed the home folder"
[ "$(ls -A "$book")" = docitem.txt ] || fault "the launcher wrote into the book: $(ls -A "$book")"

# No argument: the own book folder is made from the installed demo book before the chooser shows.
rm -f "$log"
(cd / && HOME="$home" exec "$launcher") &
pid=$!
for _ in $(seq 300); do
  diff -r "$demo" "$home/图文电子书" >/dev/null 2>&1 && break
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
diff -r "$demo" "$home/图文电子书" >/dev/null || fault "first start: the own book folder is not a copy of the demo book"
[ ! -e "$log" ] || fault "first start: corvane started before a folder was chosen"

[ "$faults" -eq 0 ] || exit 1
echo "launcher: all cases pass"
