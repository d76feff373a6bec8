// Process entry: the console streams, the real file system and the local
// clock. Command-line arguments are not read.
#include <cstdio>
#include <iostream>

#include "run/program.h"

int main() {
  std::ios::sync_with_stdio(false);
  varnholt::DiskFileSystem fs;
  return varnholt::run_program(std::cin, std::cout, std::cerr, fs, varnholt::local_time);
}
