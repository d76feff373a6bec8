// Developer tool, never part of the test run: rewrites the expected files of
// the session folders named on the command line from the program's current
// output. Review every change it makes before committing it.
#include <iostream>

#include "support/session.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  for (int i = 1; i < argc; ++i) {
    const fs::path folder = argv[i];
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with("expected.")) fs::remove(entry.path());
    }
    const auto run = varnholt::testing::run_folder(folder);
    const auto write = [&](const std::string& name, const std::string& text) {
      std::ofstream(folder / ("expected." + name), std::ios::binary) << text;
    };
    write("out", run.result.out);
    if (!run.result.err.empty()) write("err", run.result.err);
    for (const auto& [name, text] : run.written) write(name, text);
    std::cout << folder.string() << ": status " << run.result.status << "\n";
  }
}
