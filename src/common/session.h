// What every routine that talks to the user needs: the shared stores, the
// console layer, the file system and the local clock.
#pragma once

#include <functional>

#include "common/stores.h"

namespace varnholt {

class Console;
class FileSystem;

using Clock = std::function<Datetime()>;

struct Session {
  State& st;
  Console& console;
  FileSystem& fs;
  Clock clock;
};

// The local date and time.
Datetime local_time();

}  // namespace varnholt
