// Runs the real plug-in entry points (a Module) against the in-process host
// and reads back what the host received: the station's groups as a Scene and
// the vessel data.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "entry/module.hpp"
#include "station/host_handover.hpp"
#include "station/scene.hpp"

namespace quilbet {

struct BuildResult {
    Scene scene;
    nlohmann::ordered_json vessel;   // docking ports, habitat entry, counts
    HostHandover handover;           // what the host received, group by group
};

// Builds the station of `blob` on `module` (started, placeholder files not
// written) through make_vessel and make_vesselmesh on a fresh in-process host.
// Any diagnostic the module raises (a refused blob, a station that does not fit
// the host mesh) makes the build fail with that text in `error`. out.scene gets
// both the host's groups and the station block by block (ids from names, slot
// numbers where names has none); out.handover a copy of what the host received.
bool run_station(Module& module, const std::vector<uint8_t>& blob, BuildResult& out, std::string& error,
                 const std::map<int32_t, std::string>& names = {});

}  // namespace quilbet
