// Temporary files that an interrupted tool must not leave behind.
//
// A write goes to a temporary file first; while it exists its path is held
// here. The first path held installs a handler for SIGINT, SIGTERM and SIGHUP
// (where the signal's action is still the default one) that removes every
// held file and then lets the signal end the process as it would have. A
// program that takes these signals itself (sigwait in `quilbet design`)
// never reaches the handler and finishes its writes instead.
#pragma once

#include <string>

namespace quilbet {

// Holds path (absolute or relative to the working folder, which must not
// change while it is held) until release_pending_file. False when it cannot
// be held (a path of 4096 bytes or more, or 64 held already): the write goes
// on, only an interruption may then leave the file behind.
bool hold_pending_file(const std::string& path);

// Stops holding path (after it was renamed into place or removed); a path not
// held is ignored.
void release_pending_file(const std::string& path);

}  // namespace quilbet
