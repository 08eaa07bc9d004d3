// What one hand-over left in the in-process host, group by group, kept after
// the host is gone: the vertex and index arrays, the material record and the
// texture surface of every station group, and where each group came from.
// Writers of the host's own file formats read this, so that a file holds
// exactly what the host received.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "blocks/station.hpp"
#include "entry/host_interface.hpp"
#include "host/inprocess_host.hpp"

namespace quilbet {

struct HandoverGroup {
    std::vector<HostVertex> vertices;   // the host group's vertex array, station frame
    std::vector<uint16_t> indices;      // its index array, three per triangle
    HostMaterial material{};            // host material record g after the hand-over
    int32_t texw = 0, texh = 0;         // the surface bound as texture g + 1; 0 x 0 without one
    std::vector<uint32_t> texels;       // texw x texh words 0x00RRGGBB, row 0 first
    std::string block;                  // id of the block the group belongs to
    int32_t block_group = 0;            // the group's number within that block
};

struct HostHandover {
    std::vector<HandoverGroup> groups;  // host groups 0 .. n - 1, the station's groups in order
};

// Copies what `host` received from the make_vesselmesh that just ran for
// `station`: the station's groups are the host groups from 0 up to the first
// one the hand-over flagged unused (flags not 0), at most the host's mesh
// size. Each group is named by its block (the id from names, or the slot
// number) and its number in that block, from the hand-over's own order; a
// group beyond the station's list keeps an empty block name. The host keeps
// its arrays and surfaces.
HostHandover capture_handover(InProcessHost& host, Station& station, const std::map<int32_t, std::string>& names);

}  // namespace quilbet
