#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing: the compiler
# and CMake, GoogleTest, Google Benchmark, ngspice (the independent circuit
# simulator the tests check designs against), GNU time (peak memory in
# bench/sweep.sh), clang (for the fuzzers), chromium (the tests load the
# generated design pages in it, headless), Debian's python3 with SciPy and
# scikit-rf (outside readers of the exports), the argument parser (CLI11)
# and JSON library (nlohmann/json) of the command-line mode, and NLopt (the
# local optimiser of the continuously chosen element values), cpp-httplib (the
# local web server of `varnholt serve`), selenium with chromium's driver (the
# browser tests of its page), pybind11 with Python's headers (the Python
# module), pytest and matplotlib (its tests and the README's example).
set -euo pipefail

need=()
command -v g++ >/dev/null || need+=(g++)
command -v cmake >/dev/null || need+=(cmake)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/include/CLI/CLI.hpp ] || need+=(libcli11-dev)
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
[ -f /usr/include/nlopt.h ] || need+=(libnlopt-dev)
[ -f /usr/include/httplib.h ] || need+=(libcpp-httplib-dev)
[ -f /usr/include/pybind11/pybind11.h ] || need+=(pybind11-dev)
/usr/bin/python3-config --includes >/dev/null 2>&1 || need+=(python3-dev)
command -v ngspice >/dev/null || need+=(ngspice)
[ -x /usr/bin/time ] || need+=(time)
command -v clang++ >/dev/null || need+=(clang)
[ -x /usr/bin/chromium ] || need+=(chromium)
/usr/bin/python3 -c "import scipy, skrf" >/dev/null 2>&1 || need+=(python3 python3-scipy python3-scikit-rf)
/usr/bin/python3 -c "import pytest" >/dev/null 2>&1 || need+=(python3-pytest)
/usr/bin/python3 -c "import matplotlib" >/dev/null 2>&1 || need+=(python3-matplotlib)
/usr/bin/python3 -c "import selenium" >/dev/null 2>&1 || need+=(python3-selenium)
[ -x /usr/bin/chromedriver ] || need+=(chromium-driver)
# The fuzzers need clang's libFuzzer and sanitizer runtimes: try linking one.
fuzzer_links() {
  command -v clang++ >/dev/null || return 1
  local dir ok=1
  dir=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$dir/probe.cpp"
  if clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1; then
    ok=0
  fi
  rm -rf "$dir"
  return $ok
}
fuzzer_links || need+=(libclang-rt-dev)

if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${need[@]}" >/dev/null
fi
