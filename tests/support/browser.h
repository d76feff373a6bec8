// Headless Chromium, as the page tests run it.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/session.h"

namespace varnholt::testing {

namespace fs = std::filesystem;

// Headless Chromium on one file with the network blocked. Returns the
// serialised DOM, the browser's log and its network log; empty DOM when the
// browser did not run. A screenshot goes to `png`.
struct BrowserRun {
  std::string dom, log, netlog;
};

inline BrowserRun chromium(const fs::path& html, const fs::path& png) {
  const fs::path dir =
      fs::temp_directory_path() /
      ("varnholt-chromium-" + std::to_string(getpid()) + "-" + png.stem().string());
  fs::remove_all(dir);
  fs::create_directories(dir / "profile");
  const std::string base =
      "timeout 120 /usr/bin/chromium --headless --no-sandbox --disable-gpu --disable-quic "
      "--no-first-run --disable-background-networking --disable-component-update "
      "--disable-sync --proxy-server=127.0.0.1:9 --proxy-bypass-list='<-loopback>' "
      "--user-data-dir=" +
      (dir / "profile").string() + " ";
  const std::string url = "file://" + fs::absolute(html).string();
  BrowserRun r;
  if (std::system((base + "--enable-logging=stderr --v=0 --log-net-log=" +
                   (dir / "net.json").string() + " --window-size=1000,3000 --screenshot=" +
                   png.string() + " " + url + " >/dev/null 2>" + (dir / "log.txt").string())
                      .c_str()) != 0 ||
      std::system((base + "--dump-dom " + url + " >" + (dir / "dom.html").string() + " 2>/dev/null")
                      .c_str()) != 0) {
    return r;
  }
  r = {read_file(dir / "dom.html"), read_file(dir / "log.txt"), read_file(dir / "net.json")};
  fs::remove_all(dir);
  return r;
}

}  // namespace varnholt::testing
