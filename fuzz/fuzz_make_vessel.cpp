// Feeds arbitrary description blobs to make_vessel followed by make_vesselmesh
// on one started module against the in-process host. Each input's hand-over
// goes to a fresh host mesh, as the simulator gives each vessel its own: the
// host owns the arrays a hand-over writes, so one mesh reused for every input
// would only grow until the fuzzer's memory limit. Under AddressSanitizer and
// UndefinedBehaviorSanitizer any read or write outside the blob, the block
// table or the host's records, and any undefined conversion, stops the run.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "entry/module.hpp"
#include "host/inprocess_host.hpp"

namespace {

struct Harness {
    quilbet::Module module;
    quilbet::InProcessHost host;
    Harness() {
        module.set_diagnostic_sink({});
        module.startup(quilbet::StartupOptions{false});
        module.initint(host.table());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness h;
    // The blob is read as 32-bit words: give it its own aligned copy.
    std::vector<uint32_t> words((size + 3) / 4);
    if (size) std::memcpy(words.data(), data, size);
    quilbet::HostVesselRecord vessel =
        quilbet::InProcessHost::make_vessel_record(words.data(), static_cast<int32_t>(size));
    static uint8_t definition[864];
    h.module.make_vessel(definition, &vessel);
    quilbet::InProcessHost mesh_host;
    h.module.make_vesselmesh(mesh_host.mesh());
    quilbet::InProcessHost::release_vessel(vessel);
    return 0;
}
