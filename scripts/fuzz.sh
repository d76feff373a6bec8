#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for SECONDS on its corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 60 seconds, all targets)
#
# Targets: one per fuzz/<name>.cpp (reply_reader, defaults_file, circuit_file,
# session, cli_arguments, design_json, touchstone, serve_query). Each starts
# from the committed seeds in fuzz/corpus/<target>/; new inputs it finds go
# to build-fuzz/corpus/<target>/ (kept between local runs, never committed),
# and a crashing input to build-fuzz/artifacts/. Exits non-zero when any
# target finds a crash, a leak, undefined behaviour or a time-out.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

scripts/setup.sh
cmake -S . -B build-fuzz -DVARNHOLT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNHOLT_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/artifacts
summary=()
failed=0
for target in "${targets[@]}"; do
  seeds=fuzz/corpus/$target
  work=build-fuzz/corpus/$target
  log=build-fuzz/$target.log
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$target"-)
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  echo "== fuzz_$target for ${seconds}s"
  status=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/fuzz_$target" "${options[@]}" "$work" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    failed=1
    tail -n 60 "$log"
    summary+=("$(printf '%-14s FAILED (exit %s) after %s runs, see %s' "$target" "$status" "${runs:-?}" "$log")")
  else
    summary+=("$(printf '%-14s %10s runs in %ss, %s inputs kept in %s' "$target" "${runs:-?}" \
      "$seconds" "$(find "$work" -type f | wc -l)" "$work")")
  fi
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$failed"
