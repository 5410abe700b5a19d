#!/usr/bin/env bash
# The installed reader finds its helper in libexec/aurelis, off PATH: corvane,
# as installed, is started on a book whose page is a WMF picture, and the
# helper in its place notes that it was started before running the real one.
#   helper_test.sh ROOT WMF_PICTURE
set -uo pipefail
root=$1 picture=$2
work=$(mktemp -d "$(dirname "$root")/helper.XXXXXX")
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
pid=

mkdir -p "$work/prefix/bin" "$work/prefix/libexec"
cp "$root/bin/corvane" "$work/prefix/bin/"
cp -R "$root/libexec/aurelis" "$work/prefix/libexec/"
helper="$work/prefix/libexec/aurelis/aurelis-metafile"
mv "$helper" "$helper.real"
cat >"$helper" <<STUB
#!/bin/sh
: >"$work/helper-started"
exec "$helper.real" "\$@"
STUB
chmod +x "$helper"

mkdir "$work/book"
cp "$picture" "$work/book/page.wmf"
printf 'text\r\n' >"$work/book/page.txt"
printf 'page-page.wmf-page.txt\r\n' >"$work/book/docitem.txt"
(cd "$work/book" && QT_QPA_PLATFORM=offscreen exec "$work/prefix/bin/corvane") >"$work/log" 2>&1 &
pid=$!
for _ in $(seq 300); do
  [ -e "$work/helper-started" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$work/helper-started" ]; then
  echo "FAULT: corvane did not start libexec/aurelis/aurelis-metafile for a WMF page" >&2
  cat "$work/log" >&2
  exit 1
fi
echo "helper: the installed reader starts libexec/aurelis/aurelis-metafile"
