#!/usr/bin/env bash
# Installs the build into ROOT and checks that everything landed where the
# freedesktop conventions, Debian and the launcher expect it.
#   install_tree_test.sh CMAKE BUILD_DIR ROOT DEMO_BOOK_SOURCE "PROGRAM;PROGRAM;..."
set -euo pipefail
cmake=$1 build=$2 root=$3 demo_source=$4
IFS=';' read -r -a programs <<<"$5"

rm -rf "$root"
"$cmake" --install "$build" --prefix "$root" >/dev/null

faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }

for p in "${programs[@]}"; do
  [ -x "$root/bin/$p" ] || fault "bin/$p is not installed as a program"
  # Each program a user can start has its manual page, in English and in Chinese.
  for page in "share/man/man1/$p.1.gz" "share/man/zh_CN/man1/$p.1.gz"; do
    gzip -t "$root/$page" 2>/dev/null || fault "$page is missing or not compressed"
  done
done
# The helper is started by the reader only: it is installed, but not where a shell looks for programs.
[ -x "$root/libexec/aurelis/aurelis-metafile" ] || fault "libexec/aurelis/aurelis-metafile is not installed as a program"
on_path=$(find "$root" -name aurelis-metafile -path '*/bin/*')
[ -z "$on_path" ] || fault "the helper is on PATH: $on_path"
[ "$(ls "$root/bin" | wc -l)" -eq "${#programs[@]}" ] || fault "bin holds more than the programs: $(ls "$root/bin")"

for id in org.aurelis.corvane org.aurelis.varnholt org.aurelis.meriton; do
  for f in share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg \
           share/icons/hicolor/16x16/apps/$id.svg share/icons/hicolor/24x24/apps/$id.svg \
           share/metainfo/$id.metainfo.xml; do
    [ -f "$root/$f" ] || fault "$f is missing"
  done
done
[ -f "$root/share/mime/packages/aurelis.xml" ] || fault "the MIME package is missing"
[ -f "$root/share/doc/aurelis/copyright" ] || fault "the copyright file is missing"
gzip -t "$root/share/doc/aurelis/changelog.gz" 2>/dev/null || fault "share/doc/aurelis/changelog.gz is missing or not compressed"
diff -r "$demo_source" "$root/share/aurelis/demo-book" >/dev/null || fault "share/aurelis/demo-book differs from the demo book"
# Nothing outside the freedesktop folders, Debian's, the package's own, bin and libexec.
unexpected=$(cd "$root" && find . -mindepth 2 -maxdepth 2 |
  grep -v -E '^\./bin/|^\./libexec/aurelis$|^\./share/(applications|icons|metainfo|mime|man|doc|aurelis)$' || true)
[ -z "$unexpected" ] || fault "unexpected files: $unexpected"

[ "$faults" -eq 0 ] || exit 1
echo "installed tree complete: ${#programs[@]} programs with manual pages, helper off PATH, 3 desktop entries, icons, metainfo, MIME type, copyright, changelog, demo book"
