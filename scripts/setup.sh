#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing: the compiler
# and CMake, GoogleTest, Google Benchmark, ngspice (the independent circuit
# simulator the tests check designs against), GNU time (peak memory in
# bench/sweep.sh) and clang (for the fuzzers).
set -euo pipefail

need=()
command -v g++ >/dev/null || need+=(g++)
command -v cmake >/dev/null || need+=(cmake)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
command -v ngspice >/dev/null || need+=(ngspice)
[ -x /usr/bin/time ] || need+=(time)
command -v clang++ >/dev/null || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
  need+=(libclang-rt-dev)

if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${need[@]}" >/dev/null
fi
