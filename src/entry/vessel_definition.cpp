// Vessel definition: the constant header, the nine reference-counted lists and
// the copy into the host's records.
#include "entry/vessel_definition.hpp"

#include <cstring>

#include "mesh/mesh.hpp"
#include "platform/host_memory.hpp"

namespace quilbet {

namespace {

constexpr std::size_t count_offsets[vessel_list_count] = {820, 824, 832, 836, 840, 844, 848, 852, 856};
constexpr int32_t no_group = 9999;
constexpr char vessel_name[] = "station_vrt";
constexpr std::size_t name_length = 255;

uint8_t* header_of(void* addr) { return static_cast<uint8_t*>(addr) - vessel_list_header; }
const uint8_t* header_of(const void* addr) { return static_cast<const uint8_t*>(addr) - vessel_list_header; }

int32_t read_i32(const uint8_t* at) {
    int32_t v;
    std::memcpy(&v, at, 4);
    return v;
}
void write_i32(uint8_t* at, int32_t v) { std::memcpy(at, &v, 4); }
void write_f64(uint8_t* at, double v) { std::memcpy(at, &v, 8); }
void write_vec3(uint8_t* at, Vec3 v) {
    write_f64(at, v.x);
    write_f64(at + 8, v.y);
    write_f64(at + 16, v.z);
}

#if UINTPTR_MAX == 0xFFFFFFFFu
// Owned blocks of list 4 and 5 entries hold 32-bit addresses; they exist only
// on the 32-bit plug-in, where a pointer fits the field.
void* read_address(const uint8_t* at) {
    uint32_t a;
    std::memcpy(&a, at, 4);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(a));
}
void write_address(uint8_t* at, const void* p) {
    const uint32_t a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
    std::memcpy(at, &a, 4);
}
// A fresh host block with a copy of n bytes at src (null when n <= 0 or src is null).
void* duplicate_block(const void* src, int64_t n) {
    if (src == nullptr || n <= 0) return nullptr;
    void* dst = host_alloc(static_cast<std::size_t>(n));
    if (dst != nullptr) std::memcpy(dst, src, static_cast<std::size_t>(n));
    return dst;
}
// Gives a copied list-5 entry its own block of 12-byte items.
void own_list5_entry(uint8_t* e) {
    const int32_t n = read_i32(e + 176);
    write_address(e + 180, duplicate_block(read_address(e + 180), static_cast<int64_t>(n) * 12));
}
// Gives a copied list-4 entry its own 88-byte items, pointer array and the
// int32 blocks the pointers name (each (first value + 1) int32 long).
void own_list4_entry(uint8_t* e) {
    const int32_t items = read_i32(e + 44);
    write_address(e + 52, duplicate_block(read_address(e + 52), static_cast<int64_t>(items) * 88));
    const int32_t count = read_i32(e + 40);
    auto* const* src = static_cast<int32_t* const*>(read_address(e + 48));
    if (src == nullptr || count <= 0) {
        write_address(e + 48, nullptr);
        return;
    }
    auto** dst = static_cast<int32_t**>(host_alloc(static_cast<std::size_t>(count) * sizeof(int32_t*)));
    if (dst != nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            const int32_t* block = src[i];
            dst[i] = block == nullptr
                         ? nullptr
                         : static_cast<int32_t*>(duplicate_block(block, (static_cast<int64_t>(block[0]) + 1) * 4));
        }
    }
    write_address(e + 48, dst);
}
#else
// Natively the 32-bit address fields of list 4 and 5 entries cannot hold a
// pointer. The module never adds entries to these lists, so a copied entry
// simply carries no owned blocks: address and count fields are cleared.
void own_list5_entry(uint8_t* e) {
    write_i32(e + 176, 0);
    write_i32(e + 180, 0);
}
void own_list4_entry(uint8_t* e) {
    write_i32(e + 40, 0);
    write_i32(e + 44, 0);
    write_i32(e + 48, 0);
    write_i32(e + 52, 0);
}
#endif

}  // namespace

std::size_t vesdef_count_offset(int list) { return count_offsets[list]; }

// ---- vesdeftyp ----

void vesdeftyp::put_u32(std::size_t off, uint32_t v) {
    if (off + 4 <= vesdef_size) std::memcpy(bytes + off, &v, 4);
}
void vesdeftyp::put_i32(std::size_t off, int32_t v) {
    if (off + 4 <= vesdef_size) std::memcpy(bytes + off, &v, 4);
}
void vesdeftyp::put_f64(std::size_t off, double v) {
    if (off + 8 <= vesdef_size) std::memcpy(bytes + off, &v, 8);
}
void vesdeftyp::put_vec3(std::size_t off, Vec3 v) {
    put_f64(off, v.x);
    put_f64(off + 8, v.y);
    put_f64(off + 16, v.z);
}
uint32_t vesdeftyp::get_u32(std::size_t off) const {
    uint32_t v = 0;
    if (off + 4 <= vesdef_size) std::memcpy(&v, bytes + off, 4);
    return v;
}
int32_t vesdeftyp::get_i32(std::size_t off) const {
    int32_t v = 0;
    if (off + 4 <= vesdef_size) std::memcpy(&v, bytes + off, 4);
    return v;
}
double vesdeftyp::get_f64(std::size_t off) const {
    double v = 0;
    if (off + 8 <= vesdef_size) std::memcpy(&v, bytes + off, 8);
    return v;
}
Vec3 vesdeftyp::get_vec3(std::size_t off) const { return {get_f64(off), get_f64(off + 8), get_f64(off + 16)}; }

// ---- raw lists ----

int32_t list_length(const void* addr) { return addr == nullptr ? 0 : read_i32(header_of(addr) + 4); }

int32_t list_refcount(const void* addr) { return addr == nullptr ? 0 : read_i32(header_of(addr)); }

uint8_t* list_entry(void* addr, std::size_t entry_size, int32_t i) {
    return static_cast<uint8_t*>(addr) + entry_size * static_cast<std::size_t>(i);
}

// Zero-fills entries kept .. n - 1 of a new list block, writes its header
// (refcount 1, length n) and returns the list's address.
static void* finish_list_block(uint8_t* block, int32_t kept, std::size_t entry_size, int32_t n) {
    std::memset(block + vessel_list_header + entry_size * static_cast<std::size_t>(kept), 0,
                entry_size * static_cast<std::size_t>(n - kept));
    write_i32(block, 1);
    write_i32(block + 4, n);
    return block + vessel_list_header;
}

bool list_resize(void*& addr, std::size_t entry_size, int32_t n) {
    const int32_t old_n = list_length(addr);
    const int32_t refs = list_refcount(addr);
    if (n <= 0) {
        if (addr != nullptr) {
            if (refs == 1) {
                host_free(header_of(addr));
            } else if (refs > 1) {
                write_i32(header_of(addr), refs - 1);
            }
        }
        addr = nullptr;
        return true;
    }
    const std::size_t bytes = vessel_list_header + entry_size * static_cast<std::size_t>(n);
    uint8_t* block = nullptr;
    if (addr != nullptr && refs == 1) {
        block = static_cast<uint8_t*>(host_realloc(header_of(addr), bytes));
        if (block == nullptr) return false;
    } else {
        block = static_cast<uint8_t*>(host_alloc(bytes));
        if (block == nullptr) return false;
        if (addr != nullptr) {
            const int32_t keep = old_n < n ? old_n : n;
            std::memcpy(block + vessel_list_header, addr, entry_size * static_cast<std::size_t>(keep));
            if (refs > 1) write_i32(header_of(addr), refs - 1);
        }
    }
    addr = finish_list_block(block, addr == nullptr ? 0 : (old_n < n ? old_n : n), entry_size, n);
    return true;
}

bool list_stage(const void* addr, std::size_t entry_size, int32_t n, void*& out) {
    out = nullptr;
    if (n <= 0) return true;
    auto* block = static_cast<uint8_t*>(host_alloc(vessel_list_header + entry_size * static_cast<std::size_t>(n)));
    if (block == nullptr) return false;
    const int32_t old_n = list_length(addr);
    const int32_t kept = addr == nullptr ? 0 : (old_n < n ? old_n : n);
    if (kept > 0) std::memcpy(block + vessel_list_header, addr, entry_size * static_cast<std::size_t>(kept));
    out = finish_list_block(block, kept, entry_size, n);
    return true;
}

vrtdll_data::~vrtdll_data() { clear(); }

void vrtdll_data::swap(vrtdll_data& other) noexcept {
    for (int k = 0; k < vessel_list_count; ++k) std::swap(list[k], other.list[k]);
}

void vrtdll_data::clear() {
    for (int k = 0; k < vessel_list_count; ++k) list_resize(list[k], vessel_entry_size[k], 0);
}

// ---- VesselDefinition ----

int32_t VesselDefinition::grow(int list) {
    void*& addr = data.list[list];
    const int32_t n = list_length(addr);
    if (!list_resize(addr, vessel_entry_size[list], n + 1)) {
        out_of_memory = true;
        return -1;
    }
    def.put_i32(count_offsets[list], n + 1);
    return n;
}

int32_t VesselDefinition::append_list0(double value) {
    const int32_t i = grow(0);
    if (i >= 0) write_f64(list_entry(data.list[0], vessel_entry_size[0], i), value);
    return i;
}

int32_t VesselDefinition::append_list1(Vec3 position, Vec3 direction, int32_t tag, double first, double second,
                                       std::initializer_list<int32_t> groups) {
    const int32_t i = grow(1);
    if (i < 0) return i;
    uint8_t* e = list_entry(data.list[1], vessel_entry_size[1], i);
    write_vec3(e, position);
    write_vec3(e + 24, direction);
    write_f64(e + 48, first);
    write_f64(e + 56, second);
    write_f64(e + 64, 0.0);
    write_f64(e + 72, 101400.0);
    write_i32(e + 80, tag);
    int k = 0;
    for (int32_t id : groups) {
        if (k == 8) break;
        write_i32(e + 84 + 4 * k, id);
        if (id > def.get_i32(vesdef_group_count)) def.put_i32(vesdef_group_count, id + 1);
        ++k;
    }
    for (; k < 8; ++k) write_i32(e + 84 + 4 * k, no_group);
    return i;
}

int32_t VesselDefinition::append_list2(int32_t index, double first, double second) {
    const int32_t i = grow(2);
    if (i < 0) return i;
    uint8_t* e = list_entry(data.list[2], vessel_entry_size[2], i);
    write_i32(e, index);
    write_i32(e + 8, 0);
    write_f64(e + 16, first);
    write_f64(e + 24, second);
    return i;
}

int32_t VesselDefinition::append_list2(int32_t index, Vec3 first_vec, Vec3 second_vec, double first, double second) {
    const int32_t i = grow(2);
    if (i < 0) return i;
    uint8_t* e = list_entry(data.list[2], vessel_entry_size[2], i);
    write_i32(e, index);
    write_i32(e + 8, 1);
    write_f64(e + 16, first);
    write_f64(e + 24, second);
    write_vec3(e + 32, first_vec);
    write_vec3(e + 56, second_vec);
    return i;
}

int32_t VesselDefinition::append_list3(int32_t a, int32_t b) {
    const int32_t i = grow(3);
    if (i < 0) return i;
    uint8_t* e = list_entry(data.list[3], vessel_entry_size[3], i);
    e[0] = 0;
    write_i32(e + 256, 1);
    write_i32(e + 260, a);
    write_i32(e + 264, b);
    return i;
}

int32_t VesselDefinition::append_list7(Vec3 position, Vec3 first_dir, Vec3 second_dir) {
    const int32_t i = grow(7);
    if (i < 0) return i;
    uint8_t* e = list_entry(data.list[7], vessel_entry_size[7], i);
    write_vec3(e, position);
    write_vec3(e + 24, first_dir);
    write_vec3(e + 48, second_dir);
    return i;
}

uint8_t* VesselDefinition::make_list8_entry() {
    if (!list_resize(data.list[8], vessel_entry_size[8], 1)) {
        out_of_memory = true;
        return nullptr;
    }
    uint8_t* e = list_entry(data.list[8], vessel_entry_size[8], 0);
    std::memset(e, 0, vessel_entry_size[8]);
    return e;
}

void VesselDefinition::build() {
    out_of_memory = false;
    // Header constants. Bytes that are never written keep what they held.
    def.put_u32(0, 0xAEAADBDCu);
    for (std::size_t base : {std::size_t{4}, std::size_t{259}}) {
        std::memset(def.bytes + base, 0, name_length);
        std::memcpy(def.bytes + base, vessel_name, sizeof(vessel_name) - 1);
    }
    def.put_f64(520, 100.0);
    def.put_f64(528, 11000.0);
    def.put_vec3(536, {15.5, 22.1, 7.7});
    def.put_vec3(560, {53.0, 186.9, 25.9});
    def.put_vec3(584, {0.1, 0.13, 0.04});
    def.put_vec3(608, {0.0, -2.57, 10.0});
    def.put_vec3(632, {-3.5, -2.57, -3.0});
    def.put_vec3(656, {3.5, -2.57, -3.0});
    def.put_vec3(vesdef_habitat_position, {0.0, 1.467, 6.782});
    def.put_f64(704, 0.07);
    def.put_f64(712, 0.3);
    def.put_f64(720, 0.09);
    def.put_f64(728, 0.09);
    def.put_f64(736, 2.0);
    def.put_f64(744, 1.4);
    def.put_i32(752, 1);
    def.put_i32(756, 4);
    def.put_u32(760, rgba_pack_f(1.0f, 0.13f, 0.2f, 0.77f));
    def.put_f64(768, 20.0);
    def.put_f64(776, 0.7);
    def.put_f64(784, 2.5);
    def.put_f64(792, 200000.0);
    def.put_f64(800, 0.00075);
    def.put_f64(808, 0.0015);
    def.put_i32(816, 0);
    for (std::size_t off = 820; off <= 856; off += 4) def.put_i32(off, 0);

    data.clear();

    append_list0(12900.0);
    append_list0(600.0);

    const Vec3 back{0, 0, 1};
    const Vec3 tilt{0, 0.04210548, -0.99911317};
    const Vec3 up{0, 1, 0};
    append_list1({-1, 0, -7.7}, back, 0, 200000.0, 40000.0, {0});
    append_list1({1, 0, -7.7}, back, 0, 200000.0, 40000.0, {0});
    append_list1({-3, -0.236, 5.6}, tilt, 0, 34000.0, 40000.0, {1});
    append_list1({3, -0.236, 5.6}, tilt, 0, 34000.0, 40000.0, {1});
    append_list1({0, 0, 3}, up, 0, 140000.0, 40000.0, {2});
    append_list1({0, 0, -3}, up, 0, 140000.0, 40000.0, {2});

    const Vec3 down{0, -1, 0};
    append_list1({-6, 0.7, -0.4}, down, 0, 2500.0, 40000.0, {7});
    append_list1({6, -0.7, -0.4}, up, 0, 2500.0, 40000.0, {7});
    append_list1({-6, -0.7, -0.4}, up, 0, 2500.0, 40000.0, {8});
    append_list1({6, 0.7, -0.4}, down, 0, 2500.0, 40000.0, {8});
    append_list1({0, 0, 15}, up, 0, 2500.0, 40000.0, {3, 11});
    append_list1({0, 0, -15}, down, 0, 2500.0, 40000.0, {3, 12});
    append_list1({0, 0, 15}, down, 0, 2500.0, 40000.0, {4, 12});
    append_list1({0, 0, -15}, up, 0, 2500.0, 40000.0, {4, 11});
    append_list1({0, 0, 15}, {1, 0, 0}, 0, 2500.0, 40000.0, {6, 9});
    append_list1({0, 0, -15}, {-1, 0, 0}, 0, 2500.0, 40000.0, {6, 10});
    append_list1({0, 0, 15}, {-1, 0, 0}, 0, 2500.0, 40000.0, {5, 10});
    append_list1({0, 0, -15}, {1, 0, 0}, 0, 2500.0, 40000.0, {5, 9});
    append_list1({0, 0, 0}, {0, 0, -1}, 0, 5000.0, 40000.0, {14});
    append_list1({0, 0, 0}, {0, 0, 1}, 0, 5000.0, 40000.0, {13});

    append_list2(0, 12.0, 1.0);
    append_list2(1, 12.0, 1.0);
    append_list2(2, 3.0, 0.4);
    append_list2(3, 3.0, 0.4);
    append_list2(4, {0, -1.6, 3.0}, down, 6.0, 0.5);
    append_list2(5, {-3, -1.3, -4.55}, down, 6.0, 0.5);
    append_list2(5, {3, -1.3, -4.55}, down, 6.0, 0.5);
    for (int32_t i = 6; i <= 19; ++i) append_list2(i, 0.7, 0.08);

    append_list3(0, 3);
}

bool VesselDefinition::copy_to_host(void* p, HostVesselRecord* V) const {
    // Every new host list is allocated before anything of the host's changes,
    // so that running out of memory leaves p and the host's lists as they were.
    void* fresh[vessel_list_count] = {};
    if (V != nullptr) {
        static constexpr int resize_order[vessel_list_count] = {0, 1, 3, 4, 2, 5, 6, 7, 8};
        for (int k : resize_order) {
            const int32_t n = def.get_i32(count_offsets[k]);
            if (n > 0 && !list_stage(V->list[k], vessel_entry_size[k], n, fresh[k])) {
                for (void*& f : fresh) list_resize(f, vessel_entry_size[0], 0);
                return false;
            }
        }
    }
    if (p != nullptr) std::memcpy(p, def.bytes, vesdef_size);
    if (V == nullptr) return true;

    for (int k = 0; k < vessel_list_count; ++k) {
        list_resize(V->list[k], vessel_entry_size[k], 0);
        V->list[k] = fresh[k];
    }
    static constexpr int copy_order[vessel_list_count] = {8, 7, 6, 3, 2, 1, 0, 5, 4};
    for (int k : copy_order) {
        const int32_t n = list_length(V->list[k]);
        const int32_t have = list_length(data.list[k]);
        const int32_t copy = n < have ? n : have;
        if (copy <= 0) continue;
        const std::size_t es = vessel_entry_size[k];
        std::memcpy(V->list[k], data.list[k], es * static_cast<std::size_t>(copy));
        for (int32_t i = 0; i < copy; ++i) {
            if (k == 5) own_list5_entry(list_entry(V->list[k], es, i));
            if (k == 4) own_list4_entry(list_entry(V->list[k], es, i));
        }
    }
    return true;
}

}  // namespace quilbet
