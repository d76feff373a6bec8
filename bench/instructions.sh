#!/usr/bin/env bash
# Instructions per sweep row (callgrind), independent of the machine's load:
# the report (the interactive program's float analysis), the CSV and the
# Touchstone file of a 30-section band-pass design. Each count is
# (instructions at N points - instructions at 2 points) / (N - 2), so start-up
# and design work drop out.
#
#   bench/instructions.sh            # N = 20000
#   POINTS=50000 bench/instructions.sh
#   PROGRAM=/path/to/an/older/varnholt bench/instructions.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
points=${POINTS:-20000}

scripts/setup.sh
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)" --target varnholt >/dev/null
program=${PROGRAM:-$root/build-release/varnholt}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/examples/Varnholt.DEF" .

# Instructions of one run of the program with the given arguments.
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$program" "$@" 2>&1 >/dev/null |
    awk '/refs:/ { gsub(",", "", $NF); print $NF }'
}

design=(design --type bp --band 90,110 --ripple 0.1 --sections 30 --from 80 --to 120)
printf '%-12s %12s\n' output instr/row
for output in report csv touchstone; do
  many=$(count "${design[@]}" --points "$points" --"$output" out)
  few=$(count "${design[@]}" --points 2 --"$output" out)
  printf '%-12s %12d\n' "$output" $(((many - few) / (points - 2)))
done
