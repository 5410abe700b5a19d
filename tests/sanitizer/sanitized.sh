#!/bin/sh
# Runs a test program of the sanitizer build (AURELIS_SANITIZE=ON):
#   sanitized.sh REPORTS_DIR PROGRAM [ARGS...]
# The options are read by the sanitizer runtime of the program and of every
# program it starts (the metafile helper): the first error of any kind ends
# the process, and its report goes to a file in REPORTS_DIR, where
# reports.sh finds it even when the process's standard error was discarded.
reports=$1
shift
here=$(dirname "$0")
mkdir -p "$reports"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:suppressions=$here/ubsan.supp:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
exec "$@"
