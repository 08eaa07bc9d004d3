// Zip archives (PKWARE's APPNOTE format, no zip64) of files held in memory,
// for handing several output files over as one download.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "station/files.hpp"

namespace quilbet {

// One archive holding `files` in the given order, each under its path as the
// entry name ('/' between folders), deflated with zlib (stored as it is when
// deflating does not make it smaller), with its CRC-32 and the fixed date
// 1980-01-01 00:00, so the same files give the same bytes. False with the
// reason in error when the archive would need zip64 (an entry or the whole of
// 4 GiB or more, 65,535 entries or more) or zlib fails.
bool zip_archive(const std::vector<OutputFile>& files, std::vector<uint8_t>& out, std::string& error);

}  // namespace quilbet
