// Docking ports and the habitat entry from the placed station.
#include "entry/vessel_walk.hpp"

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
            vd.def.habitat_total += 3;
            vd.def.habitat_position = b.pos;
        } else if (b.btype == static_cast<int32_t>(BlockType::hab_b)) {
            vd.def.habitat_total += 1;
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
    const int32_t total = vd.def.habitat_total;
    if (total == 0) return;
    vessel_habitat_entry e;
    e.position = {0, 0, 0};
    e.direction = {0, 1, 0};
    if (list_length(vd.data.list[7]) > 0) {
        const auto dock = read_entry<vessel_docking_port>(vd.data.list[7], 0);
        e.position = dock.position;
        e.direction = dock.first_direction;
    }
    e.extent = {2, 2, 2};
    e.habitat_total = total;
    if (vd.put_habitat_entry(e)) vd.def.habitat_total = 1;
}

}  // namespace quilbet
