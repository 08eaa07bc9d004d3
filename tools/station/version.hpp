// The tool's version, from the project's version in CMake.
#pragma once

namespace quilbet {

inline constexpr const char* quilbet_version = QUILBET_VERSION;

}  // namespace quilbet
