// The module's copy of the host table.
#include "entry/host_interface.hpp"

#include <cstring>
#include <initializer_list>

namespace quilbet {

bool HostInterface::used_slots_filled() const {
    for (int s : {slot_mesh_group_count, slot_surface_get_dc, slot_surface_release_dc, slot_mesh_material,
                  slot_mesh_group, slot_mesh_set_texture, slot_create_surface}) {
        if (slot[s] == 0) return false;
    }
    return true;
}

void copy_host_interface(HostInterface& host, const void* table) {
    if (table == nullptr) {
        host = HostInterface{};
        return;
    }
    std::memcpy(host.slot, table, sizeof(host.slot));
}

void report_progress(int32_t phase, double fraction) {
    (void)phase;
    (void)fraction;
}

}  // namespace quilbet
