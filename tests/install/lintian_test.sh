#!/usr/bin/env bash
# The Debian package made from this build passes lintian with no error and no
# warning, but for the licence and maintainer, which stay placeholders until
# the owners decide.
#   lintian_test.sh BUILD_DIR CPACK
# Exits 77 (skipped) where lintian is not installed.
set -euo pipefail
build=$1 cpack=$2
command -v lintian >/dev/null || { echo "lintian not installed: skipped"; exit 77; }
work=$(mktemp -d "$build/lintian.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The package as scripts/package makes it, from what the suite built (cpack alone would build it all again).
cat >"$work/install.cmake" <<EOF2
set(CMAKE_INSTALL_PREFIX /usr)
set(CMAKE_INSTALL_DO_STRIP 1)
include("$build/cmake_install.cmake")
EOF2
cp "$build/CPackConfig.cmake" "$work/config.cmake"
cat >>"$work/config.cmake" <<EOF2
unset(CPACK_INSTALL_CMAKE_PROJECTS)
set(CPACK_INSTALL_SCRIPT "$work/install.cmake")
EOF2
(cd "$work" && "$cpack" -G DEB --config "$work/config.cmake" -D CPACK_PACKAGING_INSTALL_PREFIX=/usr \
   -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/*.deb)
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' | tee "$work/report" || true

# The placeholders: the licence is not a known one, the maintainer's address is example.org.
allowed='licen[cs]e|maintainer|mail-address|example\.org'
faults=$(grep -E '^[EW]: ' "$work/report" | grep -v -i -E "$allowed" || true)
if [ -n "$faults" ]; then
  echo "FAULT: lintian reports:" >&2
  echo "$faults" >&2
  exit 1
fi
echo "lintian: no error or warning but the placeholders"
