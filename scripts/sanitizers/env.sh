# Sanitizer run-time options for the test runs (sourced by scripts/sanitize.sh and
# scripts/fuzz.sh): stop at the first report, with stacks, and the suppression lists
# beside this file.
supp=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1${ASAN_EXTRA:+:$ASAN_EXTRA}"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp:print_suppressions=0"
