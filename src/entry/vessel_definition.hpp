// The vessel definition handed to the host: the fixed 864-byte record
// vesdeftyp and the nine lists of vrtdll_data, rebuilt on every make_vessel
// and then copied into the host's buffer and vessel record.
//
// A list is addressed by the pointer to its first entry (null when empty); the
// 8 bytes in front of it hold a 32-bit reference count and the 32-bit entry
// count, and the entries follow without gaps. List blocks come from the host
// allocator (platform/host_memory.hpp) so that both sides may resize and free
// them. The record and entry layouts are in entry/vessel_records.hpp; entries
// are copied in and out of the list blocks with memcpy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "entry/vessel_records.hpp"
#include "maths/maths.hpp"

namespace quilbet {

inline constexpr std::size_t vesdef_size = sizeof(vesdeftyp);
inline constexpr std::size_t vessel_list_header = 8;

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
// Entry i of the list at addr read as, or overwritten with, the record T of
// that list (no bounds check).
template <class T>
T read_entry(const void* addr, int32_t i) {
    T e;
    std::memcpy(&e, static_cast<const uint8_t*>(addr) + sizeof(T) * static_cast<std::size_t>(i), sizeof(T));
    return e;
}
template <class T>
void write_entry(void* addr, int32_t i, const T& e) {
    std::memcpy(static_cast<uint8_t*>(addr) + sizeof(T) * static_cast<std::size_t>(i), &e, sizeof(T));
}

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
    // Resizes list 8 to one entry and stores e in it; false (out_of_memory
    // set) when the heap is exhausted. Its count field is left to the caller.
    bool put_habitat_entry(const vessel_habitat_entry& e);

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
    // Grows list `list` by one zero-filled entry and stores its new length in
    // the count field; the new index, or -1 (out_of_memory set).
    int32_t grow(int list);
    // Grows list List and stores e in the new entry; its index or -1.
    template <int List, class Entry>
    int32_t append(const Entry& e);
};

}  // namespace quilbet
