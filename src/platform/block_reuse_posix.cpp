// Nothing to do: glibc's malloc keeps freed large blocks for reuse itself.
#include "platform/block_reuse.hpp"

namespace quilbet {

BlockReuse::BlockReuse() = default;
BlockReuse::~BlockReuse() = default;

BlockReuseCounts block_reuse_counts() { return {}; }

}  // namespace quilbet
