// Description blobs for the Windows test host: a builder that takes blocks
// and links given once each, the stations the checks and the timing mode
// use, and blobs read from files (such as the CLI's `describe -o`).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace host {

// Blocks in id order (block 0 is the root) and links between their ports.
class StationBlob {
public:
    // Adds a block of the type id with (parameter id, value) pairs; its record
    // lists at least port_entries ports (more when a higher port is linked).
    // Returns the block id.
    int32_t add(int32_t type, std::vector<std::pair<int32_t, double>> params = {}, int32_t port_entries = 0);
    // Links port pa of block a with port pb of block b, both ways.
    void link(int32_t a, int32_t pa, int32_t b, int32_t pb);
    // The blob: magic, block count, then one record per block with its
    // parameters and one entry per port (free, or linked block and port).
    std::vector<int32_t> words() const;

private:
    struct Block {
        int32_t type;
        std::vector<std::pair<int32_t, double>> params;
        int32_t port_entries;
        std::map<int32_t, std::pair<int32_t, int32_t>> links;
    };
    std::vector<Block> blocks_;
};

// Truss with a tank, an auxiliary docking port, a habitat with its habitat
// docking module and a solar panel (6 blocks): the end-to-end checks.
std::vector<int32_t> checks_station();
// A habitat node with Hab_A, Hab_B, Hab_C and a habitat docking module, two
// tanks (one of each finish) and the four solar panels (11 blocks): every
// texture painter and every style the generators use (noise, cells of all
// four panel types, ridges, stripes, styles 0, 1, 2, 3 at 256, 6, 7, 8).
std::vector<int32_t> every_style_station();
// A truss with four habitats (Hab_A, Hab_B, Hab_Node_A, Hab_C), two
// Power_wing_A, two tanks and two auxiliary docking ports (11 blocks, 71 groups).
std::vector<int32_t> eleven_block_station();
// count Power_wing_C in a row, joined by their side ports (88 groups each:
// 11 is the most the station budget admits).
std::vector<int32_t> power_wing_row(int count);
// count blocks of one type in a row, port 0 of each linked to port 1 of the
// next, each with the same parameters and port_entries ports.
std::vector<int32_t> block_row(int count, int32_t type, std::vector<std::pair<int32_t, double>> params,
                               int32_t port_entries);

// The 32-bit words of a blob file; empty when it cannot be read or its size
// is not a whole number of words.
std::vector<int32_t> read_blob(const std::string& path);

}  // namespace host
