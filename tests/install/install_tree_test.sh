#!/usr/bin/env bash
# Installs the build into ROOT and checks that everything landed where the
# freedesktop conventions and the launcher expect it.
#   install_tree_test.sh CMAKE BUILD_DIR ROOT DEMO_BOOK_SOURCE "PROGRAM;PROGRAM;..."
set -euo pipefail
cmake=$1 build=$2 root=$3 demo_source=$4
IFS=';' read -r -a programs <<<"$5"

rm -rf "$root"
"$cmake" --install "$build" --prefix "$root" >/dev/null

faults=0
fault() { echo "FAULT: $*" >&2; faults=$((faults + 1)); }

for p in "${programs[@]}" corvane-book; do
  [ -x "$root/bin/$p" ] || fault "bin/$p is not installed as a program"
done
for id in org.aurelis.corvane org.aurelis.varnholt org.aurelis.meriton; do
  for f in share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml; do
    [ -f "$root/$f" ] || fault "$f is missing"
  done
done
diff -r "$demo_source" "$root/share/aurelis/demo-book" >/dev/null || fault "share/aurelis/demo-book differs from the demo book"
# Nothing outside the three freedesktop folders, the package's own and bin.
unexpected=$(cd "$root" && find . -mindepth 2 -maxdepth 2 | grep -v -E '^\./bin/|^\./share/(applications|icons|metainfo|aurelis)$' || true)
[ -z "$unexpected" ] || fault "unexpected files: $unexpected"

[ "$faults" -eq 0 ] || exit 1
echo "installed tree complete: ${#programs[@]} programs, launcher, 3 desktop entries, 3 icons, 3 metainfo files, demo book"
