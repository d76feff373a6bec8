// Tests that run ngspice: a missing simulator skips the test, except under CI
// (CI set and not false or 0), where it fails.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#define VARNHOLT_NEED_NGSPICE()                                                       \
  if (std::system("command -v ngspice >/dev/null 2>&1") != 0) {                       \
    const std::string ci = std::getenv("CI") != nullptr ? std::getenv("CI") : "";     \
    if (ci != "" && ci != "false" && ci != "0") FAIL() << "ngspice is not installed"; \
    GTEST_SKIP() << "ngspice is not installed (apt-get install ngspice)";             \
  }
