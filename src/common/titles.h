#pragma once

namespace varnholt {

// The attribution line of the banner and of every report header.
inline constexpr const char* kAttribution = "  Written by the Varnholt LC filter developers";

}  // namespace varnholt
