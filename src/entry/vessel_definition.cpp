// Vessel definition: the constant header, the nine reference-counted lists and
// the copy into the host's records.
#include "entry/vessel_definition.hpp"

#include <cstring>

#include "mesh/mesh.hpp"
#include "platform/host_memory.hpp"

namespace quilbet {

namespace {

constexpr uint32_t vesdef_magic = 0xAEAADBDCu;
constexpr char vessel_name[] = "station_vrt";

uint8_t* header_of(void* addr) { return static_cast<uint8_t*>(addr) - vessel_list_header; }
const uint8_t* header_of(const void* addr) { return static_cast<const uint8_t*>(addr) - vessel_list_header; }

int32_t read_i32(const uint8_t* at) {
    int32_t v;
    std::memcpy(&v, at, 4);
    return v;
}
void write_i32(uint8_t* at, int32_t v) { std::memcpy(at, &v, 4); }

// The name followed by zero bytes up to the field's length.
void write_name(char (&field)[vessel_name_length]) {
    std::memset(field, 0, vessel_name_length);
    std::memcpy(field, vessel_name, sizeof(vessel_name) - 1);
}

#if UINTPTR_MAX == 0xFFFFFFFFu
// Owned blocks of list 4 and 5 entries hold 32-bit addresses; they exist only
// on the 32-bit plug-in, where a pointer fits the field.
void* pointer_of(uint32_t address) { return reinterpret_cast<void*>(static_cast<uintptr_t>(address)); }
uint32_t address_of(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
// A fresh host block with a copy of n bytes at src (null when n <= 0 or src is null).
void* duplicate_block(const void* src, int64_t n) {
    if (src == nullptr || n <= 0) return nullptr;
    void* dst = host_alloc(static_cast<std::size_t>(n));
    if (dst != nullptr) std::memcpy(dst, src, static_cast<std::size_t>(n));
    return dst;
}
// Gives a copied list-5 entry its own block of items.
void own_blocks(vessel_list5_entry& e) {
    e.items = address_of(duplicate_block(pointer_of(e.items),
                                         static_cast<int64_t>(e.item_count) * vessel_list5_item_size));
}
// Gives a copied list-4 entry its own items, pointer array and the int32
// blocks the pointers name (each (first value + 1) int32 long).
void own_blocks(vessel_list4_entry& e) {
    e.items = address_of(duplicate_block(pointer_of(e.items),
                                         static_cast<int64_t>(e.item_count) * vessel_list4_item_size));
    auto* const* src = static_cast<int32_t* const*>(pointer_of(e.pointers));
    if (src == nullptr || e.pointer_count <= 0) {
        e.pointers = 0;
        return;
    }
    auto** dst = static_cast<int32_t**>(host_alloc(static_cast<std::size_t>(e.pointer_count) * sizeof(int32_t*)));
    if (dst != nullptr) {
        for (int32_t i = 0; i < e.pointer_count; ++i) {
            const int32_t* block = src[i];
            dst[i] = block == nullptr
                         ? nullptr
                         : static_cast<int32_t*>(duplicate_block(block, (static_cast<int64_t>(block[0]) + 1) * 4));
        }
    }
    e.pointers = address_of(dst);
}
#else
// Natively the 32-bit address fields of list 4 and 5 entries cannot hold a
// pointer. The module never adds entries to these lists, so a copied entry
// simply carries no owned blocks: address and count fields are cleared.
void own_blocks(vessel_list5_entry& e) {
    e.item_count = 0;
    e.items = 0;
}
void own_blocks(vessel_list4_entry& e) {
    e.pointer_count = 0;
    e.item_count = 0;
    e.pointers = 0;
    e.items = 0;
}
#endif

// Replaces the owned blocks of the first n entries of the host's list at addr
// with copies of their own.
template <class Entry>
void own_entries(void* addr, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        Entry e = read_entry<Entry>(addr, i);
        own_blocks(e);
        write_entry(addr, i, e);
    }
}

}  // namespace

// ---- vesdeftyp ----

int32_t& vesdeftyp::list_count(int k) {
    static constexpr int32_t vesdeftyp::*field[vessel_list_count] = {
        &vesdeftyp::list0_count, &vesdeftyp::list1_count, &vesdeftyp::list2_count,
        &vesdeftyp::list3_count, &vesdeftyp::list4_count, &vesdeftyp::list5_count,
        &vesdeftyp::list6_count, &vesdeftyp::docking_count, &vesdeftyp::habitat_total};
    return this->*field[k];
}
int32_t vesdeftyp::list_count(int k) const { return const_cast<vesdeftyp*>(this)->list_count(k); }

// ---- raw lists ----

int32_t list_length(const void* addr) { return addr == nullptr ? 0 : read_i32(header_of(addr) + 4); }

int32_t list_refcount(const void* addr) { return addr == nullptr ? 0 : read_i32(header_of(addr)); }

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
    def.list_count(list) = n + 1;
    return n;
}

template <int List, class Entry>
int32_t VesselDefinition::append(const Entry& e) {
    static_assert(sizeof(Entry) == vessel_entry_size[List]);
    const int32_t i = grow(List);
    if (i >= 0) write_entry(data.list[List], i, e);
    return i;
}

int32_t VesselDefinition::append_list0(double value) { return append<0>(vessel_list0_entry{value}); }

int32_t VesselDefinition::append_list1(Vec3 position, Vec3 direction, int32_t tag, double first, double second,
                                       std::initializer_list<int32_t> groups) {
    vessel_list1_entry e;
    e.position = position;
    e.direction = direction;
    e.first_value = first;
    e.second_value = second;
    e.third_value = 0.0;
    e.fourth_value = 101400.0;
    e.tag = tag;
    int given = 0;
    for (int32_t id : groups) {
        if (given == vessel_group_slots) break;
        e.groups[given++] = id;
    }
    for (int k = given; k < vessel_group_slots; ++k) e.groups[k] = vessel_no_group;
    const int32_t i = append<1>(e);
    if (i < 0) return i;
    for (int k = 0; k < given; ++k) {
        if (e.groups[k] > def.list1_group_count) def.list1_group_count = e.groups[k] + 1;
    }
    return i;
}

int32_t VesselDefinition::append_list2(int32_t index, double first, double second) {
    vessel_list2_entry e;
    e.index = index;
    e.form = 0;
    e.first_value = first;
    e.second_value = second;
    return append<2>(e);
}

int32_t VesselDefinition::append_list2(int32_t index, Vec3 first_vec, Vec3 second_vec, double first, double second) {
    vessel_list2_entry e;
    e.index = index;
    e.form = 1;
    e.first_value = first;
    e.second_value = second;
    e.first_vector = first_vec;
    e.second_vector = second_vec;
    return append<2>(e);
}

int32_t VesselDefinition::append_list3(int32_t a, int32_t b) {
    vessel_list3_entry e;
    e.area[0] = 0;
    e.marker = 1;
    e.a = a;
    e.b = b;
    return append<3>(e);
}

int32_t VesselDefinition::append_list7(Vec3 position, Vec3 first_dir, Vec3 second_dir) {
    return append<7>(vessel_docking_port{position, first_dir, second_dir});
}

bool VesselDefinition::put_habitat_entry(const vessel_habitat_entry& e) {
    if (!list_resize(data.list[8], vessel_entry_size[8], 1)) {
        out_of_memory = true;
        return false;
    }
    write_entry(data.list[8], 0, e);
    return true;
}

void VesselDefinition::build() {
    out_of_memory = false;
    // Header constants. Fields that are never written keep what they held.
    def.magic = vesdef_magic;
    write_name(def.name);
    write_name(def.second_name);
    def.scalar_1 = 100.0;
    def.scalar_2 = 11000.0;
    def.vector_1 = {15.5, 22.1, 7.7};
    def.vector_2 = {53.0, 186.9, 25.9};
    def.vector_3 = {0.1, 0.13, 0.04};
    def.vector_4 = {0.0, -2.57, 10.0};
    def.vector_5 = {-3.5, -2.57, -3.0};
    def.vector_6 = {3.5, -2.57, -3.0};
    def.habitat_position = {0.0, 1.467, 6.782};
    def.scalar_3 = 0.07;
    def.scalar_4 = 0.3;
    def.scalar_5 = 0.09;
    def.scalar_6 = 0.09;
    def.scalar_7 = 2.0;
    def.scalar_8 = 1.4;
    def.integer_1 = 1;
    def.integer_2 = 4;
    def.colour = rgba_pack_f(1.0f, 0.13f, 0.2f, 0.77f);
    def.scalar_9 = 20.0;
    def.scalar_10 = 0.7;
    def.scalar_11 = 2.5;
    def.scalar_12 = 200000.0;
    def.scalar_13 = 0.00075;
    def.scalar_14 = 0.0015;
    def.integer_3 = 0;
    for (int k = 0; k < vessel_list_count; ++k) def.list_count(k) = 0;
    def.list1_group_count = 0;

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
            const int32_t n = def.list_count(k);
            if (n > 0 && !list_stage(V->list[k], vessel_entry_size[k], n, fresh[k])) {
                for (void*& f : fresh) list_resize(f, vessel_entry_size[0], 0);
                return false;
            }
        }
    }
    if (p != nullptr) std::memcpy(p, &def, vesdef_size);
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
        std::memcpy(V->list[k], data.list[k], vessel_entry_size[k] * static_cast<std::size_t>(copy));
        if (k == 5) own_entries<vessel_list5_entry>(V->list[k], copy);
        if (k == 4) own_entries<vessel_list4_entry>(V->list[k], copy);
    }
    return true;
}

}  // namespace quilbet
