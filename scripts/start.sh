#!/usr/bin/env bash
# Builds the program and starts it in examples/, which holds a default-values file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVARNHOLT_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target varnholt
cd examples
exec ../build-release/varnholt
