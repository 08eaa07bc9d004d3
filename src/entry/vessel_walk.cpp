// Docking ports and the habitat entry from the placed station.
#include "entry/vessel_walk.hpp"

#include <cstring>
#include <vector>

#include "blocks/block_types.hpp"

namespace quilbet {

void scan_block(Station& st, VesselDefinition& vd, int32_t root) {
    struct Frame {
        int32_t block;
        int32_t next_port;
    };
    std::vector<Frame> stack;
    auto enter = [&](int32_t r) {
        if (r < 0 || r >= st.block_count || static_cast<std::size_t>(r) >= st.blocks.size()) return;
        blocktyp& b = st.blocks[static_cast<std::size_t>(r)];
        if (!b.live || b.visited) return;
        b.visited = 1;
        if (b.btype == static_cast<int32_t>(BlockType::hab_a) || b.btype == static_cast<int32_t>(BlockType::hab_c)) {
            vd.def.put_i32(vesdef_habitat_total, vd.def.get_i32(vesdef_habitat_total) + 3);
            vd.def.put_vec3(vesdef_habitat_position, b.pos);
        } else if (b.btype == static_cast<int32_t>(BlockType::hab_b)) {
            vd.def.put_i32(vesdef_habitat_total, vd.def.get_i32(vesdef_habitat_total) + 1);
        }
        stack.push_back({r, 0});
    };

    // Depth first, pre-order: a linked port is followed before the next port
    // of the same block is looked at, as a recursive walk would.
    enter(root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        blocktyp& b = st.blocks[static_cast<std::size_t>(top.block)];
        const int32_t nports = b.nports < static_cast<int32_t>(b.ports.size()) ? b.nports : static_cast<int32_t>(b.ports.size());
        if (top.next_port >= nports) {
            stack.pop_back();
            continue;
        }
        const BlockPort& port = b.ports[static_cast<std::size_t>(top.next_port)];
        ++top.next_port;
        if (port.linked) {
            enter(port.lblock);  // may grow the stack: `top` and `b` are not used past this point
        } else if (port.kind == static_cast<int32_t>(PortKind::docking)) {
            vd.append_list7(port.wpos, quat_rotate(port.wrot, port.ldir), quat_rotate(port.wrot, port.lup));
        }
    }
}

void build_habitat_entry(VesselDefinition& vd) {
    const int32_t total = vd.def.get_i32(vesdef_habitat_total);
    if (total == 0) return;
    uint8_t* e = vd.make_list8_entry();
    if (e == nullptr) return;
    Vec3 pos{0, 0, 0};
    Vec3 dir{0, 1, 0};
    if (list_length(vd.data.list[7]) > 0) {
        const uint8_t* dock = list_entry(vd.data.list[7], vessel_entry_size[7], 0);
        std::memcpy(&pos, dock, sizeof(Vec3));
        std::memcpy(&dir, dock + 24, sizeof(Vec3));
    }
    const Vec3 extent{2, 2, 2};
    std::memcpy(e, &pos, sizeof(Vec3));
    std::memcpy(e + 24, &dir, sizeof(Vec3));
    std::memcpy(e + 48, &extent, sizeof(Vec3));
    std::memcpy(e + 72, &total, 4);
    vd.def.put_i32(vesdef_habitat_total, 1);
}

}  // namespace quilbet
