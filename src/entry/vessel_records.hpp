// The records of the vessel definition as the host reads them: the 864-byte
// header vesdeftyp and the entries of its nine lists. Every field has its
// fixed byte offset in the 32-bit plug-in; the records use fixed-width types
// only (addresses are 32-bit words), so the native build lays them out the
// same way, and the assertions below hold on both.
//
// Gaps the module never writes are named unwritten_<offset> so that no field
// depends on implicit padding. Most header fields and several entry fields are
// constants whose meaning belongs to the host; the module writes them without
// reading them, so they carry neutral names in record order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "maths/maths.hpp"

namespace quilbet {

inline constexpr int vessel_list_count = 9;
inline constexpr std::size_t vessel_entry_size[vessel_list_count] = {8, 120, 80, 268, 56, 184, 112, 72, 80};
inline constexpr std::size_t vessel_name_length = 255;

// The header. Bytes the module never writes stay as they were (zero from
// construction); the count fields follow the lists they count.
struct vesdeftyp {
    uint32_t magic = 0;
    char name[vessel_name_length] = {};
    char second_name[vessel_name_length] = {};
    uint8_t unwritten_514[6] = {};
    double scalar_1 = 0;
    double scalar_2 = 0;
    Vec3 vector_1;
    Vec3 vector_2;
    Vec3 vector_3;
    Vec3 vector_4;
    Vec3 vector_5;
    Vec3 vector_6;
    // Position of the last Hab_A or Hab_C block the tree walk visits.
    Vec3 habitat_position;
    double scalar_3 = 0;
    double scalar_4 = 0;
    double scalar_5 = 0;
    double scalar_6 = 0;
    double scalar_7 = 0;
    double scalar_8 = 0;
    int32_t integer_1 = 0;
    int32_t integer_2 = 0;
    uint32_t colour = 0;  // rgba_pack_f word
    uint8_t unwritten_764[4] = {};
    double scalar_9 = 0;
    double scalar_10 = 0;
    double scalar_11 = 0;
    double scalar_12 = 0;
    double scalar_13 = 0;
    double scalar_14 = 0;
    int32_t integer_3 = 0;
    int32_t list0_count = 0;
    int32_t list1_count = 0;
    // Largest group id in list 1 plus one.
    int32_t list1_group_count = 0;
    int32_t list2_count = 0;
    int32_t list3_count = 0;
    int32_t list4_count = 0;
    int32_t list5_count = 0;
    int32_t list6_count = 0;
    int32_t docking_count = 0;  // list 7
    // Habitat total of the tree walk; once the habitat entry exists, the
    // length of list 8 (1).
    int32_t habitat_total = 0;
    uint8_t unwritten_860[4] = {};

    // The count field of list k (0 to 8).
    int32_t& list_count(int k);
    int32_t list_count(int k) const;
};

// List 0: one double.
struct vessel_list0_entry {
    double value = 0;
};

// List 1. Group ids past the given ones are vessel_no_group.
inline constexpr int vessel_group_slots = 8;
inline constexpr int32_t vessel_no_group = 9999;
struct vessel_list1_entry {
    Vec3 position;
    Vec3 direction;
    double first_value = 0;
    double second_value = 0;
    double third_value = 0;
    double fourth_value = 0;
    int32_t tag = 0;
    int32_t groups[vessel_group_slots] = {};
    uint8_t unwritten_116[4] = {};
};

// List 2. Form 0 leaves both vectors zero; form 1 gives them.
struct vessel_list2_entry {
    int32_t index = 0;
    uint8_t unwritten_4[4] = {};
    int32_t form = 0;
    uint8_t unwritten_12[4] = {};
    double first_value = 0;
    double second_value = 0;
    Vec3 first_vector;
    Vec3 second_vector;
};

// List 3. Only the area's first byte is written.
struct vessel_list3_entry {
    char area[256] = {};
    int32_t marker = 0;
    int32_t a = 0;
    int32_t b = 0;
};

// List 4: owns a block of item_count 88-byte items and an array of
// pointer_count pointers, each to a block of (its first int32 + 1) int32.
// Addresses are 32-bit words.
inline constexpr std::size_t vessel_list4_item_size = 88;
struct vessel_list4_entry {
    uint8_t unread_0[40] = {};
    int32_t pointer_count = 0;
    int32_t item_count = 0;
    uint32_t pointers = 0;
    uint32_t items = 0;
};

// List 5: owns a block of item_count 12-byte items.
inline constexpr std::size_t vessel_list5_item_size = 12;
struct vessel_list5_entry {
    uint8_t unread_0[176] = {};
    int32_t item_count = 0;
    uint32_t items = 0;
};

// List 7: a free docking port.
struct vessel_docking_port {
    Vec3 position;
    Vec3 first_direction;
    Vec3 second_direction;
};

// List 8: the habitat entry.
struct vessel_habitat_entry {
    Vec3 position;
    Vec3 direction;
    Vec3 extent;
    int32_t habitat_total = 0;
    uint8_t unwritten_76[4] = {};
};

static_assert(sizeof(Vec3) == 24);
static_assert(sizeof(vesdeftyp) == 864);
static_assert(offsetof(vesdeftyp, name) == 4 && offsetof(vesdeftyp, second_name) == 259);
static_assert(offsetof(vesdeftyp, scalar_1) == 520 && offsetof(vesdeftyp, scalar_2) == 528);
static_assert(offsetof(vesdeftyp, vector_1) == 536 && offsetof(vesdeftyp, vector_2) == 560 &&
              offsetof(vesdeftyp, vector_3) == 584 && offsetof(vesdeftyp, vector_4) == 608 &&
              offsetof(vesdeftyp, vector_5) == 632 && offsetof(vesdeftyp, vector_6) == 656);
static_assert(offsetof(vesdeftyp, habitat_position) == 680);
static_assert(offsetof(vesdeftyp, scalar_3) == 704 && offsetof(vesdeftyp, scalar_8) == 744);
static_assert(offsetof(vesdeftyp, integer_1) == 752 && offsetof(vesdeftyp, integer_2) == 756);
static_assert(offsetof(vesdeftyp, colour) == 760);
static_assert(offsetof(vesdeftyp, scalar_9) == 768 && offsetof(vesdeftyp, scalar_14) == 808);
static_assert(offsetof(vesdeftyp, integer_3) == 816);
static_assert(offsetof(vesdeftyp, list0_count) == 820 && offsetof(vesdeftyp, list1_count) == 824 &&
              offsetof(vesdeftyp, list1_group_count) == 828 && offsetof(vesdeftyp, list2_count) == 832 &&
              offsetof(vesdeftyp, list6_count) == 848 && offsetof(vesdeftyp, docking_count) == 852 &&
              offsetof(vesdeftyp, habitat_total) == 856);

static_assert(sizeof(vessel_list0_entry) == vessel_entry_size[0]);
static_assert(sizeof(vessel_list1_entry) == vessel_entry_size[1]);
static_assert(offsetof(vessel_list1_entry, direction) == 24 && offsetof(vessel_list1_entry, first_value) == 48 &&
              offsetof(vessel_list1_entry, second_value) == 56 && offsetof(vessel_list1_entry, third_value) == 64 &&
              offsetof(vessel_list1_entry, fourth_value) == 72 && offsetof(vessel_list1_entry, tag) == 80 &&
              offsetof(vessel_list1_entry, groups) == 84);
static_assert(sizeof(vessel_list2_entry) == vessel_entry_size[2]);
static_assert(offsetof(vessel_list2_entry, form) == 8 && offsetof(vessel_list2_entry, first_value) == 16 &&
              offsetof(vessel_list2_entry, second_value) == 24 && offsetof(vessel_list2_entry, first_vector) == 32 &&
              offsetof(vessel_list2_entry, second_vector) == 56);
static_assert(sizeof(vessel_list3_entry) == vessel_entry_size[3]);
static_assert(offsetof(vessel_list3_entry, marker) == 256 && offsetof(vessel_list3_entry, a) == 260 &&
              offsetof(vessel_list3_entry, b) == 264);
static_assert(sizeof(vessel_list4_entry) == vessel_entry_size[4]);
static_assert(offsetof(vessel_list4_entry, pointer_count) == 40 && offsetof(vessel_list4_entry, item_count) == 44 &&
              offsetof(vessel_list4_entry, pointers) == 48 && offsetof(vessel_list4_entry, items) == 52);
static_assert(sizeof(vessel_list5_entry) == vessel_entry_size[5]);
static_assert(offsetof(vessel_list5_entry, item_count) == 176 && offsetof(vessel_list5_entry, items) == 180);
static_assert(sizeof(vessel_docking_port) == vessel_entry_size[7]);
static_assert(offsetof(vessel_docking_port, first_direction) == 24 &&
              offsetof(vessel_docking_port, second_direction) == 48);
static_assert(sizeof(vessel_habitat_entry) == vessel_entry_size[8]);
static_assert(offsetof(vessel_habitat_entry, direction) == 24 && offsetof(vessel_habitat_entry, extent) == 48 &&
              offsetof(vessel_habitat_entry, habitat_total) == 72);

}  // namespace quilbet
