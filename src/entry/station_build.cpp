// The station build's steps and the parse of checked blob records through
// them; block removal.
#include "entry/station_build.hpp"

#include <utility>

#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"

namespace quilbet {

void remove_block(Station& st, int32_t r) {
    if (r < 0 || static_cast<std::size_t>(r) >= st.blocks.size()) return;
    blocktyp& b = st.blocks[static_cast<std::size_t>(r)];
    if (!b.live) return;
    int32_t links = 0;
    int32_t first_linked = -1;
    for (std::size_t i = 0; i < b.ports.size(); ++i) {
        if (b.ports[i].linked) {
            if (first_linked < 0) first_linked = static_cast<int32_t>(i);
            ++links;
        }
    }
    if (links > 1) return;

    if (st.root == r) {
        st.root = -1;
        if (first_linked >= 0) {
            const int32_t next = b.ports[static_cast<std::size_t>(first_linked)].lblock;
            if (next >= 0 && static_cast<std::size_t>(next) < st.blocks.size()) {
                st.root = next;
                st.blocks[static_cast<std::size_t>(next)].pos = root_position;
                st.blocks[static_cast<std::size_t>(next)].rot = root_orientation;
            }
        }
    }
    for (BlockPort& port : b.ports) {
        if (!port.linked) continue;
        const int32_t other = port.lblock;
        if (other >= 0 && static_cast<std::size_t>(other) < st.blocks.size()) {
            blocktyp& ob = st.blocks[static_cast<std::size_t>(other)];
            if (port.lport >= 0 && static_cast<std::size_t>(port.lport) < ob.ports.size()) {
                BlockPort& op = ob.ports[static_cast<std::size_t>(port.lport)];
                op.linked = 0;
                op.lblock = -1;
                op.lport = -1;
            }
        }
        port.linked = 0;
        port.lblock = -1;
        port.lport = -1;
    }
    b.params.clear();
    b.ports.clear();
    b.msh.used = 0;
    for (typmshgrp& g : b.msh.grp) grp_reset(g);
    b.msh.grpcnt = 0;
    b.msh.grp.clear();
    b.live = 0;
}

void reset_station(Station& st) {
    for (int32_t r = 0; r < st.block_count; ++r) remove_block(st, r);
    st.block_count = 0;
}

bool instance_block(blocktyp& b, const Catalogue& cat, int32_t btype, const std::vector<BlobParam>& values) {
    const int32_t entry = cat.find_type(btype);
    if (entry < 0) return false;
    copy_block(b, cat.definition(entry), true);
    for (const BlobParam& v : values) {
        for (int32_t j = 0; j < b.nparams && static_cast<std::size_t>(j) < b.params.size(); ++j) {
            if (b.params[static_cast<std::size_t>(j)].id == v.id) {
                b.params[static_cast<std::size_t>(j)].val = v.value;
                break;
            }
        }
    }
    return true;
}

BlockBuild build_block(Context& ctx, blocktyp instance, uint32_t random_before) {
    BlockBuild out;
    ctx.random.set_state(random_before);
    out.block = std::move(instance);
    build_block_geometry(ctx, out.block, true);
    out.random_after = ctx.random.state();
    return out;
}

void link_ports(blocktyp& b, const BlobRecord& r) {
    for (std::size_t k = 0; k < r.ports.size(); ++k) {
        if (static_cast<int32_t>(k) >= b.nports || k >= b.ports.size()) continue;
        BlockPort& port = b.ports[k];
        const BlobPort& e = r.ports[k];
        port.linked = e.flag != 0 ? 1 : 0;
        if (e.flag != 0) {
            port.lblock = e.block;
            port.lport = e.port;
        }
    }
}

bool build_records(Station& st, const BlobStation& records, const RecordBlockFn& make) {
    const int32_t n = records.block_count;
    st.block_count = n;
    st.blocks.resize(static_cast<std::size_t>(n));
    for (blocktyp& b : st.blocks) b.live = 0;
    st.root = -1;
    for (const BlobRecord& r : records.records) {
        if (st.root == -1) st.root = r.id;
        blocktyp& b = st.blocks[static_cast<std::size_t>(r.id)];
        b.live = 1;
        b.btype = r.btype;
        b.id = r.id;
        if (!make(r, b)) return false;
        link_ports(b, r);
    }
    return true;
}

void place_station(Station& st) { place_block(st, st.root, root_position, root_orientation, true); }

void parse_blob(Context& ctx, Station& st, const Catalogue& cat, const BlobStation& records,
                const ProgressFn& progress) {
    auto report = [&](double fraction) {
        if (progress) progress(1, fraction);
    };
    reset_station(st);
    report(0.0);
    const double n = static_cast<double>(records.block_count);
    int32_t done = 0;
    const bool whole = build_records(st, records, [&](const BlobRecord& r, blocktyp& b) {
        if (!instance_block(b, cat, r.btype, r.params)) return false;
        // The block moves through the build and back into its slot, its mesh's memory with it.
        b = build_block(ctx, std::move(b), ctx.random.state()).block;
        ++done;
        report(static_cast<double>(done) / n);
        return true;
    });
    if (!whole) {
        reset_station(st);
        st.root = add_block_by_name(st, cat, "", -1, 0, 0);
    }
}

}  // namespace quilbet
