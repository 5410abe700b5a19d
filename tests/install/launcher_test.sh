#!/usr/bin/env bash
# corvane-book, as installed, run against a stand-in corvane that notes the
# folder it was started in and, like the real program, writes abc.rtf there.
#   launcher_test.sh ROOT        (ROOT: a tree made by cmake --install)
set -uo pipefail
root=$1
[ -x "$root/bin/corvane" ] || { echo "FAULT: $root/bin/corvane is not installed" >&2; exit 1; }

work=$(mktemp -d "$(dirname "$root")/launcher.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A copy of the tree whose corvane is the stand-in; the launcher finds it, and
# the demo book, where the installation put them.
cp -R "$root" "$work/prefix"
log="$work/started"
cat >"$work/prefix/bin/corvane" <<STUB
#!/bin/sh
{ printf 'cwd=%s\n' "\$(pwd -P)"; printf 'args=%s\n' "\$#"; } >"$log"
: >abc.rtf
STUB
chmod +x "$work/prefix/bin/corvane"
launcher="$work/prefix/bin/corvane-book"
demo="$work/prefix/share/aurelis/demo-book"

home="$work/家 目录 (home)"
mkdir "$home"
book="$home/图文电子书"

faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }

# run CASE FROM_DIR [ARG]: starts the launcher from FROM_DIR with the test HOME.
run() {
  local case=$1 from=$2
  shift 2
  rm -f "$log"
  (cd "$from" && HOME="$home" "$launcher" "$@") 2>"$work/stderr"
  status=$?
  started_in=$(sed -n 's/^cwd=//p' "$log" 2>/dev/null)
  args=$(sed -n 's/^args=//p' "$log" 2>/dev/null)
  current=$case
}
expect_started_in() {
  local dir
  dir=$(cd "$1" && pwd -P)
  [ "$status" -eq 0 ] || fault "$current: launcher failed ($status): $(cat "$work/stderr")"
  [ "$started_in" = "$dir" ] || fault "$current: corvane started in '$started_in', expected '$dir'"
  [ "$args" = 0 ] || fault "$current: corvane was given $args arguments"
}
expect_refused() {
  [ "$status" -ne 0 ] || fault "$current: launcher succeeded"
  [ ! -e "$log" ] || fault "$current: corvane was started"
  [ -s "$work/stderr" ] || fault "$current: no message says why"
}
# The home folder holds the book folder and nothing else, whatever ran.
expect_home_untouched() {
  local entries
  entries=$(ls -A "$home")
  [ "$entries" = "图文电子书" ] || fault "$current: home holds: ${entries//$'\n'/ }"
}

run "first start" "$work"
expect_started_in "$book"
diff -r -x abc.rtf "$demo" "$book" >/dev/null || fault "first start: the book folder is not a copy of the demo book"
expect_home_untouched

# The user has changed the book since: it is used as it is, not seeded again.
rm "$book/moon_gate.jpg"
echo "笔记" >"$book/我的笔记.txt"
run "second start" /
expect_started_in "$book"
[ ! -e "$book/moon_gate.jpg" ] || fault "second start: the demo book was copied in again"
[ -f "$book/我的笔记.txt" ] || fault "second start: the user's file is gone"
expect_home_untouched

other="$work/书 架 (2)/我的 第二本 书"
mkdir -p "$other"
run "a book folder" / "$other"
expect_started_in "$other"
run "a book folder, relative" "$work/书 架 (2)" "我的 第二本 书"
expect_started_in "$other"
printf '封面-cover.jpg-intro.txt\r\n' >"$other/docitem.txt"
run "its docitem.txt" / "$other/docitem.txt"
expect_started_in "$other"
run "its docitem.txt, relative" "$other" docitem.txt
expect_started_in "$other"
expect_home_untouched

run "a path that does not exist" / "$work/没有 这本书"
expect_refused
[ ! -e "$work/没有 这本书" ] || fault "$current: it was created"
run "two arguments" / "$other" "$other"
expect_refused
expect_home_untouched

# A file where the book folder should be is left alone.
rm -rf "$book"
echo "不是文件夹" >"$book"
run "a file in the book folder's place" /
expect_refused
[ "$(cat "$book")" = "不是文件夹" ] || fault "$current: the file was changed"

[ "$faults" -eq 0 ] || exit 1
echo "launcher: all cases pass"
