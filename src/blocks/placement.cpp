// Port frames and the placement tree.
//
// Every block is built in its own frame. A port carries three quaternions made
// from its direction and up vector: qframe (port frame), qframe_inv (its
// inverse) and qmate (the frame of the reversed direction). Placing a block at
// (P, Q) puts a child linked through port i / child port T at
//   Qc = Q * conj(qmate_i) * qframe_T
//   Pc = P + rotate(Q, lpos_i - unrotate(qmate_i, unrotate(qframe_inv_T, lpos_T)))
// so that T lands on port i's world point facing the opposite way. The walk is
// depth first, pre-order, over the ports in index order; the visited flag stops
// back-links and cycles, so every block is placed once, by the first path that
// reaches it. The walk keeps its own stack, so a long chain of blocks cannot
// exhaust the host thread's stack.
#include "blocks/placement.hpp"

#include <cmath>
#include <vector>

#include "blocks/catalogue.hpp"
#include "texture/gl_textures.hpp"

namespace quilbet {

namespace {

// True when id names a slot that is in use and live.
bool live_block(const Station& st, int32_t id) {
    if (id < 0 || id >= st.block_count) return false;
    if (static_cast<size_t>(id) >= st.blocks.size()) return false;
    return st.blocks[static_cast<size_t>(id)].live != 0;
}

// Number of ports that may be read: nports, bounded by the array actually held.
int32_t port_count(const blocktyp& b) {
    if (b.nports <= 0) return 0;
    const size_t n = static_cast<size_t>(b.nports);
    return static_cast<int32_t>(n < b.ports.size() ? n : b.ports.size());
}

// Places one block and walks its subtree (no clearing, no root step).
void place_subtree(Station& st, int32_t start, Vec3 p, Quat q) {
    if (!live_block(st, start)) return;
    blocktyp& first = st.blocks[static_cast<size_t>(start)];
    if (first.visited) return;
    first.pos = p;
    first.rot = q;
    first.visited = 1;

    struct Frame {
        int32_t block;
        int32_t next_port;
    };
    std::vector<Frame> stack;
    stack.push_back({start, 0});

    while (!stack.empty()) {
        Frame& top = stack.back();
        blocktyp& b = st.blocks[static_cast<size_t>(top.block)];
        if (top.next_port >= port_count(b)) {
            stack.pop_back();
            continue;
        }
        BlockPort& port = b.ports[static_cast<size_t>(top.next_port)];
        ++top.next_port;

        const Vec3 bp = b.pos;
        const Quat bq = b.rot;
        port.wpos = vec_add(bp, quat_rotate(bq, port.lpos));
        port.wrot = bq;
        if (!port.linked) continue;

        // Links to slots outside the table, to empty slots or to a port the
        // other block does not have are never followed.
        const int32_t cid = port.lblock;
        if (!live_block(st, cid)) continue;
        blocktyp& child = st.blocks[static_cast<size_t>(cid)];
        if (port.lport < 0 || port.lport >= port_count(child)) continue;
        if (child.visited) continue;

        const BlockPort& target = child.ports[static_cast<size_t>(port.lport)];
        const Quat qc = quat_mul(bq, quat_mul(quat_conj(port.qmate), target.qframe));
        const Vec3 d = quat_unrotate(port.qmate, quat_unrotate(target.qframe_inv, target.lpos));
        const Vec3 pc = vec_add(bp, quat_rotate(bq, vec_add(port.lpos, vec_scale(d, -1.0))));

        child.pos = pc;
        child.rot = qc;
        child.visited = 1;
        stack.push_back({cid, 0});  // `top` and `port` are not used past this point
    }
}

}  // namespace

void define_port(BlockPort& port, Vec3 position, Vec3 direction, Vec3 up, int32_t kind) {
    port.lpos = position;
    port.ldir = direction;
    port.lup = up;
    port.kind = kind;

    const Mat3 frame = frame_from_dir_up(port.ldir, port.lup);
    port.qframe = mat_to_quat(frame);
    // mat_inverse leaves its output as it was for a singular frame; the output
    // starts as the identity, so such a frame gets the identity inverse.
    Mat3 inverse = mat_identity();
    mat_inverse(frame, inverse);
    port.qframe_inv = mat_to_quat(inverse);
    // The Euler route of mat_to_quat drops the roll of a frame at pitch +-90
    // degrees. That happens to the frame itself for directions along x (its up
    // becomes +y) and to the inverse frame for directions along y with an up
    // along x; then the two quaternions are no longer inverse to each other and
    // a child linked through this port would be placed beside its partner port.
    // In that case the inverse is taken as the conjugate of qframe, so that the
    // pair always describes one rotation and its inverse.
    const Quat check = quat_mul(port.qframe, port.qframe_inv);
    if (!(std::fabs(check.x) < tolerance && std::fabs(check.y) < tolerance && std::fabs(check.z) < tolerance)) {
        port.qframe_inv = quat_conj(port.qframe);
    }
    port.qmate = mat_to_quat(frame_from_dir_up(vec_scale(port.ldir, -1.0), port.lup));

    port.wpos = port.lpos;
    port.wrot = Quat{0, 0, 0, 1};
}

void clear_visited(Station& st) {
    const size_t n = st.block_count < 0 ? 0 : static_cast<size_t>(st.block_count);
    const size_t count = n < st.blocks.size() ? n : st.blocks.size();
    for (size_t k = 0; k < count; ++k) {
        if (st.blocks[k].live) st.blocks[k].visited = 0;
    }
}

void place_block(Station& st, int32_t block, Vec3 p, Quat q, bool full) {
    if (!full) {
        place_subtree(st, block, p, q);
        return;
    }
    clear_visited(st);
    if (st.root != -1) place_subtree(st, st.root, root_position, root_orientation);
    // Blocks the root does not reach (and their subtrees) stay where they stand;
    // blocks already placed are skipped by their visited flag.
    for (int32_t k = 0; k < st.block_count && static_cast<size_t>(k) < st.blocks.size(); ++k) {
        const Vec3 kp = st.blocks[static_cast<size_t>(k)].pos;
        const Quat kq = st.blocks[static_cast<size_t>(k)].rot;
        place_subtree(st, k, kp, kq);
    }
}

void copy_block(blocktyp& instance, const blocktyp& entry, bool skip_geometry) {
    instance.live = entry.live;
    if (!entry.live) return;
    instance.name = entry.name;
    instance.btype = entry.btype;
    instance.nparams = entry.nparams;
    instance.nports = entry.nports;
    instance.size = entry.size;
    instance.params = entry.params;
    instance.ports = entry.ports;
    for (BlockPort& port : instance.ports) port.linked = 0;
    instance.visited = 0;
    instance.pos = root_position;
    instance.rot = root_orientation;
    gl_tex_create(instance.tex, 128, 128, false, true, false);
    if (!skip_geometry) {
        msh_copy(instance.msh, entry.msh);
        uint32_t source = entry.tex;
        gl_tex_copy(instance.tex, source, 128, false, 128);
    }
}

int32_t add_block(Station& st, const blocktyp& entry, int32_t parent, int32_t child_port, int32_t parent_port) {
    // An undefined entry would give an empty slot; nothing to add.
    if (!entry.live) return -1;
    if (parent != -1) {
        // A parent that is not a live block, or port numbers that either side
        // lacks, are refused like a linked port.
        if (!live_block(st, parent)) return -1;
        const blocktyp& pb = st.blocks[static_cast<size_t>(parent)];
        if (parent_port < 0 || parent_port >= port_count(pb)) return -1;
        if (child_port < 0 || child_port >= port_count(entry)) return -1;
        const BlockPort& pp = pb.ports[static_cast<size_t>(parent_port)];
        if (pp.linked) return -1;
        if (pp.kind != entry.ports[static_cast<size_t>(child_port)].kind) return -1;
    }

    if (st.block_count < 0) st.block_count = 0;
    if (st.blocks.size() < static_cast<size_t>(st.block_count)) st.blocks.resize(static_cast<size_t>(st.block_count));
    int32_t slot = -1;
    for (int32_t k = 0; k < st.block_count; ++k) {
        if (!st.blocks[static_cast<size_t>(k)].live) {
            slot = k;
            break;
        }
    }
    if (slot == -1) {
        const int32_t count = st.block_count;
        st.blocks.resize(2 * static_cast<size_t>(count) + 1);
        for (size_t k = static_cast<size_t>(count); k <= 2 * static_cast<size_t>(count); ++k) st.blocks[k].live = 0;
        slot = count;
        st.block_count = count + 1;
    }

    blocktyp& nb = st.blocks[static_cast<size_t>(slot)];
    copy_block(nb, entry, false);
    nb.id = slot;
    if (parent == -1) return slot;

    BlockPort& pp = st.blocks[static_cast<size_t>(parent)].ports[static_cast<size_t>(parent_port)];
    BlockPort& cp = nb.ports[static_cast<size_t>(child_port)];
    if (!pp.linked && pp.kind == cp.kind) {
        pp.linked = 1;
        pp.lblock = slot;
        pp.lport = child_port;
        cp.linked = 1;
        cp.lblock = parent;
        cp.lport = parent_port;
    }
    return slot;
}

int32_t add_block_by_name(Station& st, const Catalogue& cat, const std::string& name, int32_t parent,
                          int32_t child_port, int32_t parent_port) {
    const int32_t i = cat.find_name(name);
    if (i < 0) return -1;
    return add_block(st, cat.entry(i), parent, child_port, parent_port);
}

}  // namespace quilbet
