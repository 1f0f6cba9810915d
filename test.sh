#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# ASan+UBSan build, and a short run of every fuzz target.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
scripts/deps.sh || exit 1
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_odr_violation=0
export LSAN_OPTIONS=suppressions=$root/deps/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
summary=()
passed=0
failed=0

run_suite() {  # name build-dir
  local name=$1 dir=$2 log
  log=$(mktemp)
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600 2>&1 | tee "$log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1)
  summary+=("$name: ${line:-no test summary}")
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    failed=$((failed + 1))
  fi
  rm -f "$log"
}

status=0
if scripts/build.sh normal; then run_suite normal build; else summary+=("normal: build failed"); failed=$((failed + 1)); fi
if scripts/build.sh asan; then
  run_suite sanitizers build-asan
  fuzz_seconds=${FUZZ_SECONDS:-20}
  while read -r target corpus; do
    [ -n "$target" ] || continue
    work=$(mktemp -d)
    echo "fuzz: $target for ${fuzz_seconds}s"
    if (cd "$work" && "$root/build-asan/bin/$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
          -print_final_stats=1 "$work" ${corpus:+"$corpus"} > "$work/log" 2>&1); then
      passed=$((passed + 1))
      summary+=("fuzz $target: $(grep -E 'stat::number_of_executed_units' "$work/log" | awk '{print $2}') runs, no finding")
    else
      failed=$((failed + 1))
      tail -60 "$work/log"
      summary+=("fuzz $target: FAILED (see output above)")
    fi
    rm -rf "$work"
  done < build-asan/fuzz-targets.txt
else
  summary+=("sanitizers: build failed")
  failed=$((failed + 1))
fi

echo
echo "==== summary ===="
printf '%s\n' "${summary[@]}"
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
