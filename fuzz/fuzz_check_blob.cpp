// Feeds arbitrary description blobs to the blob check and, for the blobs it
// accepts that are cheap to build, to the parse into a fresh station. No
// geometry-heavy build and no hand-over, so thousands of inputs run each
// second and large stations are reached. Under AddressSanitizer and
// UndefinedBehaviorSanitizer any read outside the blob or the table stops the run.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "blocks/catalogue.hpp"
#include "entry/blob_check.hpp"
#include "entry/station_build.hpp"

namespace {

struct Harness {
    quilbet::Context ctx;
    quilbet::Catalogue catalogue;
    Harness() {
        ctx.threads = false;
        catalogue.build_catalogue(ctx);
    }
};

// Estimated build work (microseconds) below which an accepted blob is also parsed.
constexpr int64_t parse_work_limit = 300;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness h;
    // The blob is read as 32-bit words: give it its own aligned copy.
    std::vector<uint32_t> words((size + 3) / 4);
    if (size) std::memcpy(words.data(), data, size);
    const int32_t length = static_cast<int32_t>(size);
    const quilbet::BlobCheck check = quilbet::check_blob(h.catalogue, words.data(), length);
    if (check.accepted && check.figures.work <= parse_work_limit) {
        quilbet::Station st;
        quilbet::parse_blob(h.ctx, st, h.catalogue, check.station, {});
    }
    return 0;
}
