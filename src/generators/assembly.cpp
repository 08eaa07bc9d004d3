// Capacity and placement helpers of the assembly generators.
#include "generators/assembly.hpp"

#include <algorithm>

namespace quilbet {

int32_t groups_free(const typmsh& m, int32_t from) {
    const int64_t usable = std::min<int64_t>(m.grpcnt, static_cast<int64_t>(m.grp.size()));
    if (from < 0 || from > usable) return 0;
    return static_cast<int32_t>(usable - from);
}

typmshgrp* group_at(typmsh& m, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) > m.grp.size()) return nullptr;
    return m.grp.data() + index;
}

void place_groups(typmsh& m, int32_t from, int32_t to, Vec3 t, Vec3 ang) {
    const int64_t end = std::min<int64_t>(to, static_cast<int64_t>(m.grp.size()));
    for (int64_t g = std::max<int32_t>(from, 0); g < end; ++g) {
        aopntyp& pnt = m.grp[static_cast<size_t>(g)].pnt;
        pnt_rotate_translate(pnt.data(), static_cast<int32_t>(pnt.size()), t, ang);
    }
}

}  // namespace quilbet
