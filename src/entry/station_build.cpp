// Description blob check and parse, block removal, and the walk for docking
// ports and habitats.
#include "entry/station_build.hpp"

#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"
#include "blocks/block_types.hpp"
#include "entry/limits.hpp"
#include "entry/station_budget.hpp"

namespace quilbet {

namespace {

// Reads 32-bit little-endian words of the blob by index; the caller keeps
// every index below count (check_blob guarantees it for the parse).
class WordReader {
public:
    WordReader(const void* blob, int32_t length)
        : bytes_(static_cast<const uint8_t*>(blob)), count_(blob == nullptr || length < 0 ? 0 : length / 4) {}

    int32_t count() const { return count_; }
    int32_t word(int32_t i) const {
        int32_t v;
        std::memcpy(&v, bytes_ + 4 * static_cast<std::size_t>(i), 4);
        return v;
    }
    // The double stored at words i (low) and i + 1 (high).
    double real(int32_t i) const {
        const uint64_t lo = static_cast<uint32_t>(word(i));
        const uint64_t hi = static_cast<uint32_t>(word(i + 1));
        const uint64_t bits = lo | (hi << 32);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }

private:
    const uint8_t* bytes_;
    int32_t count_;
};

std::string record_name(int32_t record, int32_t word) {
    return "record " + std::to_string(record) + " (word " + std::to_string(word) + ")";
}

BlobCheck refuse(std::string reason) {
    BlobCheck c;
    c.reason = std::move(reason);
    return c;
}

// Empty when value is acceptable for parameter id of type t, else why not.
// Ids the type lacks are skipped by the parse and only need to be finite and
// within the general limit.
std::string check_value(const BlockTypeSpec& t, int32_t id, double value) {
    static const ParamSpec unknown{"", 0, ParamKind::real, 0, 0, 0};
    const ParamSpec* p = t.param(id);
    const std::string problem = hard_limit_problem(p != nullptr ? *p : unknown, value);
    if (problem.empty() || p == nullptr) return problem;
    return std::string("\"") + p->name + "\" " + problem;
}

}  // namespace

BlobCheck check_blob(const Catalogue& cat, const void* blob, int32_t length) {
    if (blob == nullptr) return refuse("blob: no blob address");
    if (length < 0) return refuse("blob: negative length " + std::to_string(length));
    const WordReader in(blob, length);
    if (in.count() < 1 || in.word(0) != blob_magic) {
        BlobCheck c = refuse(in.count() < 1 ? "blob: too short for the magic" : "blob: wrong magic");
        c.wrong_magic = true;
        return c;
    }
    if (in.count() < 2) return refuse("blob: block count N cut by the end of the blob");
    const int32_t n = in.word(1);
    if (n < 0 || n > max_block_count) {
        return refuse("blob: block count N = " + std::to_string(n) + " outside 0 .. " + std::to_string(max_block_count));
    }

    std::vector<uint8_t> seen(static_cast<std::size_t>(n), 0);
    std::vector<std::pair<int32_t, double>> values;
    BuildFigures figures;
    // Every record the parse builds counts against the budget, including those
    // before a type id that then clears the station.
    auto accept = [&figures](std::string note) {
        BlobCheck c;
        c.figures = figures;
        c.reason = station_budget_problem(figures);
        c.accepted = c.reason.empty();
        if (c.accepted) c.note = std::move(note);
        return c;
    };
    int32_t w = 2;
    int32_t record = 0;
    do {
        const std::string where = record_name(record, w);
        if (in.count() - w < 4) return refuse(where + ": record header cut by the end of the blob");
        const int32_t id = in.word(w);
        const int32_t btype = in.word(w + 1);
        const int32_t np = in.word(w + 2);
        const int32_t nq = in.word(w + 3);
        if (id < 0 || id >= n) {
            return refuse(where + ": block id " + std::to_string(id) + " outside 0 .. N - 1 (N = " + std::to_string(n) + ")");
        }
        if (seen[static_cast<std::size_t>(id)]) return refuse(where + ": block id " + std::to_string(id) + " repeated");
        seen[static_cast<std::size_t>(id)] = 1;
        const int32_t entry = cat.find_type(btype);
        if (entry < 0) {
            return accept(where + ": type id " + std::to_string(btype) +
                          " is not in the catalogue; the station is cleared and has no blocks");
        }
        if (np < 0 || np > max_record_params) {
            return refuse(where + ": parameter count P = " + std::to_string(np) + " outside 0 .. " +
                          std::to_string(max_record_params));
        }
        if (nq < 0 || nq > max_record_ports) {
            return refuse(where + ": port count Q = " + std::to_string(nq) + " outside 0 .. " +
                          std::to_string(max_record_ports));
        }
        w += 4;
        if ((in.count() - w) / 3 < np) return refuse(where + ": parameter entries cut by the end of the blob");
        const blocktyp& type = cat.entries()[static_cast<std::size_t>(entry)];
        const BlockTypeSpec* spec = find_block_type(btype);
        values.clear();
        for (int32_t k = 0; k < np; ++k, w += 3) {
            const int32_t pid = in.word(w);
            const double value = in.real(w + 1);
            values.emplace_back(pid, value);
            // Messages are only put together for a refusal: a blob may hold
            // hundreds of thousands of entries.
            auto field = [&] { return where + ", parameter entry " + std::to_string(k) + " (id " + std::to_string(pid) + ")"; };
            if (spec == nullptr) continue;
            const std::string bad = check_value(*spec, pid, value);
            if (!bad.empty()) return refuse(field() + ": " + bad);
        }
        for (int32_t k = 0; k < nq; ++k) {
            auto field = [&] { return where + ", port entry " + std::to_string(k); };
            if (w >= in.count()) return refuse(field() + ": linked flag cut by the end of the blob");
            const int32_t flag = in.word(w++);
            if (flag == 0) continue;
            if (in.count() - w < 2) return refuse(field() + ": link cut by the end of the blob");
            const int32_t target = in.word(w);
            const int32_t tport = in.word(w + 1);
            w += 2;
            if (target < 0 || target >= n) {
                return refuse(field() + ": link target block " + std::to_string(target) + " outside 0 .. N - 1 (N = " +
                              std::to_string(n) + ")");
            }
            if (tport < 0 || tport >= max_record_ports) {
                return refuse(field() + ": link target port " + std::to_string(tport) + " outside 0 .. " +
                              std::to_string(max_record_ports - 1));
            }
        }
        figures += instance_figures(type, values);
        ++record;
    } while (w < in.count());
    return accept({});
}

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

bool parse_blob(Context& ctx, Station& st, const Catalogue& cat, const void* blob, int32_t length,
                const ProgressFn& progress) {
    if (!check_blob(cat, blob, length).accepted) return false;
    const WordReader in(blob, length);
    auto report = [&](double fraction) {
        if (progress) progress(1, fraction);
    };

    reset_station(st);
    report(0.0);
    const int32_t n = in.word(1);
    st.block_count = n;
    st.blocks.resize(static_cast<std::size_t>(n));
    for (blocktyp& b : st.blocks) b.live = 0;
    st.root = -1;

    int32_t w = 2;
    int32_t done = 0;
    do {
        const int32_t id = in.word(w);
        if (st.root == -1) st.root = id;
        blocktyp& b = st.blocks[static_cast<std::size_t>(id)];
        b.live = 1;
        const int32_t btype = in.word(w + 1);
        const int32_t np = in.word(w + 2);
        const int32_t nq = in.word(w + 3);
        w += 4;
        b.btype = btype;
        b.id = id;

        const int32_t entry = cat.find_type(btype);
        if (entry < 0) {
            reset_station(st);
            st.root = add_block_by_name(st, cat, "", -1, 0, 0);
            return true;
        }
        copy_block(b, cat.entries()[static_cast<std::size_t>(entry)], true);

        for (int32_t k = 0; k < np; ++k, w += 3) {
            const int32_t pid = in.word(w);
            for (int32_t j = 0; j < b.nparams && static_cast<std::size_t>(j) < b.params.size(); ++j) {
                if (b.params[static_cast<std::size_t>(j)].id == pid) {
                    b.params[static_cast<std::size_t>(j)].val = in.real(w + 1);
                    break;
                }
            }
        }

        build_block_geometry(ctx, b, true);

        for (int32_t k = 0; k < nq; ++k) {
            const int32_t flag = in.word(w++);
            if (k < b.nports && static_cast<std::size_t>(k) < b.ports.size()) {
                BlockPort& port = b.ports[static_cast<std::size_t>(k)];
                port.linked = flag != 0 ? 1 : 0;
                if (flag != 0) {
                    port.lblock = in.word(w);
                    port.lport = in.word(w + 1);
                }
            }
            if (flag != 0) w += 2;
        }

        ++done;
        report(static_cast<double>(done) / static_cast<double>(n));
    } while (w < in.count());
    return true;
}

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
