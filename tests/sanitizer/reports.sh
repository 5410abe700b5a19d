#!/usr/bin/env bash
# The sanitizer runtime writes each report to a file of its own in DIR
# (log_path), whichever process it comes from: a test program, or a helper
# program whose standard error the reader discards.
#   reports.sh clear DIR   before the tests
#   reports.sh check DIR   after them: fails, printing them, if there is any
set -euo pipefail
action=$1 dir=$2
case $action in
  clear)
    rm -rf "$dir"
    mkdir -p "$dir"
    ;;
  check)
    shopt -s nullglob
    reports=()
    for r in "$dir"/*; do
      # The metafile helper's allocator stands in for its address-space
      # limit under AddressSanitizer: an allocation past the limit comes back
      # null, as in the release build, and the runtime says so in this one
      # line. The refusal is the helper's design, not a fault.
      if ! grep -qvE '^==[0-9]+==WARNING: AddressSanitizer failed to allocate 0x[0-9a-f]+ bytes$' "$r"; then
        continue
      fi
      reports+=("$r")
      echo "=== $r"
      cat "$r"
    done
    if [ ${#reports[@]} -ne 0 ]; then
      echo "${#reports[@]} sanitizer report(s)" >&2
      exit 1
    fi
    echo "no sanitizer reports"
    ;;
  *)
    echo "usage: $0 clear|check DIR" >&2
    exit 2
    ;;
esac
