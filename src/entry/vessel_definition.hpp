// The vessel definition handed to the host: the fixed 864-byte record
// vesdeftyp and the nine lists of vrtdll_data, rebuilt on every make_vessel
// and then copied into the host's buffer and vessel record.
//
// A list is addressed by the pointer to its first entry (null when empty); the
// 8 bytes in front of it hold a 32-bit reference count and the 32-bit entry
// count, and the entries follow without gaps. List blocks come from the host
// allocator (platform/host_memory.hpp) so that both sides may resize and free
// them. All record and entry fields are little-endian and written with memcpy
// at fixed byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "maths/maths.hpp"

namespace quilbet {

inline constexpr std::size_t vesdef_size = 864;
inline constexpr int vessel_list_count = 9;
inline constexpr std::size_t vessel_entry_size[vessel_list_count] = {8, 120, 80, 268, 56, 184, 112, 72, 80};
inline constexpr std::size_t vessel_list_header = 8;

// Byte offsets of the fields that change with the station.
inline constexpr std::size_t vesdef_habitat_position = 680;
inline constexpr std::size_t vesdef_group_count = 828;
inline constexpr std::size_t vesdef_docking_count = 852;
inline constexpr std::size_t vesdef_habitat_total = 856;
// Count field of list k (the group count at 828 sits between lists 1 and 2).
std::size_t vesdef_count_offset(int list);

// The 864-byte record with typed little-endian accessors at byte offsets.
// Writers and readers assert nothing at run time: offsets are constants of
// the module; a write that would run past the end is ignored.
struct vesdeftyp {
    uint8_t bytes[vesdef_size] = {};

    void put_u32(std::size_t off, uint32_t v);
    void put_i32(std::size_t off, int32_t v);
    void put_f64(std::size_t off, double v);
    void put_vec3(std::size_t off, Vec3 v);
    uint32_t get_u32(std::size_t off) const;
    int32_t get_i32(std::size_t off) const;
    double get_f64(std::size_t off) const;
    Vec3 get_vec3(std::size_t off) const;
};

// ---- raw lists (module side and host side alike) ----
// Number of entries of the list at addr (0 for null).
int32_t list_length(const void* addr);
// Reference count of the list at addr (0 for null).
int32_t list_refcount(const void* addr);
// Resizes the list at addr to n entries of entry_size bytes: reallocated in
// place when its reference count is 1, otherwise a new block receives the
// surviving entries (and the shared block loses one reference). New entries
// are zero-filled; the new block's count is 1. n <= 0 releases the block and
// stores null. Returns false (list unchanged) when the heap is exhausted.
bool list_resize(void*& addr, std::size_t entry_size, int32_t n);
// A new list of n entries (refcount 1) holding the first entries of the list
// at addr (up to n; the rest zero-filled), into out; the list at addr is not
// touched. n <= 0 gives null. False, out null, when the heap is exhausted.
bool list_stage(const void* addr, std::size_t entry_size, int32_t n, void*& out);
// Address of entry i of the list at addr (no bounds check).
uint8_t* list_entry(void* addr, std::size_t entry_size, int32_t i);

// The nine lists of the module. Owns its blocks and releases them.
struct vrtdll_data {
    void* list[vessel_list_count] = {};

    vrtdll_data() = default;
    vrtdll_data(const vrtdll_data&) = delete;
    vrtdll_data& operator=(const vrtdll_data&) = delete;
    ~vrtdll_data();
    // Releases every list.
    void clear();
    // Exchanges the lists of the two records.
    void swap(vrtdll_data& other) noexcept;
};

// The host's vessel record that make_vessel receives: the nine list addresses,
// the description blob's address and its length in bytes.
struct HostVesselRecord {
    void* list[vessel_list_count];
    const void* blob;
    int32_t blob_length;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(HostVesselRecord) == 44, "nine 32-bit list addresses, blob address, length");
static_assert(sizeof(void*) == 4);
#endif

class VesselDefinition {
public:
    // Writes the header constants, zeroes the counts, empties the lists and
    // appends the constant entries of lists 0 to 3 (2, 20, 21 and 1 entries;
    // group count 15).
    void build();

    // Appends, each returning the new entry's index (or -1 when the heap is
    // exhausted) and storing the list's new length in its count field.
    int32_t append_list0(double value);
    // Group ids: the first 8 are stored, 9999 fills the rest; every id larger
    // than the group count so far raises it to id + 1.
    int32_t append_list1(Vec3 position, Vec3 direction, int32_t tag, double first, double second,
                         std::initializer_list<int32_t> groups);
    int32_t append_list2(int32_t index, double first, double second);
    int32_t append_list2(int32_t index, Vec3 first_vec, Vec3 second_vec, double first, double second);
    int32_t append_list3(int32_t a, int32_t b);
    int32_t append_list7(Vec3 position, Vec3 first_dir, Vec3 second_dir);
    // Resizes list 8 to one zero-filled entry and returns its address (null when
    // the heap is exhausted). Its count field is left to the caller.
    uint8_t* make_list8_entry();

    // Copies the 864 bytes into p, resizes the host lists of V to the counts of
    // the record (lists 0, 1, 3, 4, 2, 5, 6, 7, 8 in this order; each a new
    // block that keeps the host's first entries) and copies the entries list by
    // list (8, 7, 6, 3, 2, 1, 0, 5, 4). A null p or V skips its part. Returns
    // false when the heap is exhausted; then neither p nor any list of V has
    // changed.
    bool copy_to_host(void* p, HostVesselRecord* V) const;

    vesdeftyp def;
    vrtdll_data data;
    // Set when an append could not grow its list: the record is incomplete.
    bool out_of_memory = false;

private:
    int32_t grow(int list);
};

}  // namespace quilbet
