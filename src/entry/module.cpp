// The module object: start-up, host hook-up, station build and mesh hand-over.
#include "entry/module.hpp"

#include "blocks/placement.hpp"
#include "entry/mesh_handover.hpp"
#include "entry/startup.hpp"
#include "entry/station_build.hpp"
#include "platform/block_reuse.hpp"
#include "platform/diagnostics.hpp"
#include "platform/fpu.hpp"

namespace quilbet {

void Module::diagnose(const std::string& line) {
    last_error_ = line;
    if (custom_sink_) {
        if (sink_) sink_(line);
    } else {
        diagnostic_emit(line);
    }
}

void Module::progress(int32_t phase, double fraction) {
    report_progress(phase, fraction);
    if (progress_) progress_(phase, fraction);
}

bool Module::startup(const StartupOptions& options) {
    started_ = false;
    // The catalogue's hulls free and ask again for blocks of megabytes; on
    // Windows each fresh one costs its pages' first touch.
    const BlockReuse reuse;
    if (options.write_placeholder_files) {
        std::string error;
        if (!prepare_environment(error)) {
            diagnose(error + "; start-up stopped");
            return false;
        }
    } else {
        fpu_set_control_word(fpu_module_control_word);
    }
    // Start-up runs inside the loader (DllMain on Windows): no second thread.
    ctx_.threads = false;
    catalogue_.build_catalogue(ctx_, [this](int32_t phase, double fraction) { progress(phase, fraction); });
    ctx_.threads = true;
    station_.block_count = 0;
    started_ = true;
    return true;
}

void Module::initint(const void* table) { copy_host_interface(host_, table); }

void Module::make_vessel(void* p, void* vessel) {
    if (!started_) {
        diagnose("make_vessel: the module did not start up; nothing built");
        return;
    }
    auto* record = static_cast<HostVesselRecord*>(vessel);
    const void* blob = record != nullptr ? record->blob : nullptr;
    const int32_t length = record != nullptr ? record->blob_length : 0;

    // 1. The blob, checked whole before it changes anything.
    const BlobCheck check = check_blob(catalogue_, blob, length);
    if (check.accepted) {
        parse_blob(ctx_, station_, catalogue_, blob, length,
                   [this](int32_t phase, double fraction) { progress(phase, fraction); });
    } else {
        diagnose("make_vessel: description refused, previous station kept: " + check.reason);
    }
    // 2. Placement, 3. definition, 4.-6. walk and habitat entry, 7. copy.
    place_block(station_, station_.root, root_position, root_orientation, true);
    vessel_.build();
    clear_visited(station_);
    scan_block(station_, vessel_, station_.root);
    build_habitat_entry(vessel_);
    if (!vessel_.copy_to_host(p, record)) diagnose("make_vessel: out of memory for the host's vessel lists");
}

void Module::make_vesselmesh(void* mesh) {
    if (!started_) {
        diagnose("make_vesselmesh: the module did not start up; mesh left alone");
        return;
    }
    if (!host_.used_slots_filled()) {
        diagnose("make_vesselmesh: no host table (initint not called or slots empty); mesh left alone");
        return;
    }
    quilbet::make_vesselmesh(station_, host_, mesh, [this](const std::string& line) { diagnose(line); });
}

}  // namespace quilbet
