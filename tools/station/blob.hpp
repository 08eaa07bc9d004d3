// The description tools read and write blobs with the module's own reader and
// encoder (entry/blob.hpp).
#pragma once

#include "entry/blob.hpp"
