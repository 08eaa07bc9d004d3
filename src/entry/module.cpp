// The module object: start-up, host hook-up, station build and mesh hand-over.
#include "entry/module.hpp"

#include <exception>
#include <new>

#include "blocks/placement.hpp"
#include "entry/mesh_handover.hpp"
#include "entry/startup.hpp"
#include "entry/blob_check.hpp"
#include "entry/station_build.hpp"
#include "entry/station_check.hpp"
#include "entry/vessel_walk.hpp"
#include "platform/block_reuse.hpp"
#include "platform/diagnostics.hpp"
#include "platform/fpu.hpp"

namespace quilbet {

void Module::diagnose(const std::string& line) noexcept {
    // Called from the exception barriers: a diagnostic must never throw itself,
    // so a line that cannot be stored for lack of memory is dropped.
    try {
        last_error_ = line;
        if (custom_sink_) {
            if (sink_) sink_(line);
        } else {
            diagnostic_emit(line);
        }
    } catch (...) {
    }
}

void Module::progress(int32_t phase, double fraction) {
    report_progress(phase, fraction);
    if (progress_) progress_(phase, fraction);
}

template <typename Work>
void Module::guarded(const char* entry, Work&& work) noexcept {
    try {
        work();
    } catch (const std::bad_alloc&) {
        diagnose(std::string(entry) + ": out of memory; the previous station and vessel data are kept");
    } catch (const std::exception& e) {
        diagnose(std::string(entry) + ": failed (" + e.what() + "); the previous station and vessel data are kept");
    } catch (...) {
        diagnose(std::string(entry) + ": failed; the previous station and vessel data are kept");
    }
}

bool Module::startup(const StartupOptions& options) noexcept {
    const FpuScope fpu;
    started_ = false;
    guarded("start-up", [&] {
        // Built now, the catalogue's hulls free and ask again for blocks of
        // megabytes; on Windows each fresh one costs its pages' first touch.
        const BlockReuse reuse;
        if (options.write_placeholder_files) {
            std::string error;
            if (!prepare_environment(error)) {
                diagnose(error + "; start-up stopped");
                return;
            }
        }
        // Start-up runs inside the loader (DllMain on Windows): no second
        // thread, for the catalogue's geometry built now or later from this context.
        ctx_.threads = false;
        catalogue_.build_catalogue(
            ctx_, [this](int32_t phase, double fraction) { progress(phase, fraction); }, options.default_geometry);
        ctx_.threads = true;
        station_.block_count = 0;
        built_from_ = BlobStation{};
        started_ = true;
    });
    return started_;
}

void Module::initint(const void* table) noexcept { copy_host_interface(host_, table); }

void Module::make_vessel(void* p, void* vessel) noexcept {
    const FpuScope fpu;
    guarded("make_vessel", [&] { build_vessel(p, static_cast<HostVesselRecord*>(vessel)); });
}

void Module::build_vessel(void* p, HostVesselRecord* record) {
    if (!started_) {
        diagnose("make_vessel: the module did not start up; nothing built");
        return;
    }
    // A station's blocks free and ask again for large blocks as the start-up does.
    const BlockReuse reuse;
    const void* blob = record != nullptr ? record->blob : nullptr;
    const int32_t length = record != nullptr ? record->blob_length : 0;

    // The blob is checked whole, budget included, before it changes anything.
    // An accepted blob is built into a new station with its own copy of the
    // random state; the new station, its vessel data and the random state
    // replace the old ones only once everything, the host's copy included, has
    // succeeded. A refused blob keeps the station and derives its vessel data again.
    BlobCheck check = check_blob(catalogue_, blob, length);
    VesselDefinition next_vessel;
    next_vessel.def = vessel_.def;
    if (!check.accepted) {
        diagnose("make_vessel: description refused, previous station kept: " + check.reason);
        derive_vessel_data(station_, next_vessel);
        commit_vessel_data(p, record, next_vessel);
        return;
    }
    // Only one station's geometry is held at a time: the old one is let go
    // before the new one is built, and built again from its records and
    // random state, bit for bit, whenever the new one is not taken.
    let_go_of_station();
    Station next;
    Context next_ctx = ctx_;
    std::string refusal;
    try {
        parse_blob(next_ctx, next, catalogue_, check.station,
                   [this](int32_t phase, double fraction) { progress(phase, fraction); });
        // The budget's figures bound the groups; should a build ever make more
        // than the host mesh holds, vessel data would describe blocks that the
        // hand-over leaves out, so such a station is not taken.
        const int64_t groups = station_group_count(next);
        if (groups > host_mesh_capacity) {
            refusal = "make_vessel: the station built " + std::to_string(groups) + " mesh groups, more than the " +
                      std::to_string(host_mesh_capacity) + " of the host mesh; previous station kept";
        } else {
            derive_vessel_data(next, next_vessel);
            // The last look before the station becomes the one the host gets:
            // only finite vertices, within the budget's extent.
            const std::string problem = station_handover_problem(next);
            if (!problem.empty()) refusal = "make_vessel: station refused, previous station kept: " + problem;
        }
        if (refusal.empty() && commit_vessel_data(p, record, next_vessel)) {
            station_ = std::move(next);
            built_from_ = std::move(check.station);
            built_from_ctx_ = std::move(ctx_);
            ctx_ = std::move(next_ctx);
            if (!check.note.empty()) diagnose("make_vessel: " + check.note);
            return;
        }
    } catch (...) {
        next = Station{};
        rebuild_station();
        throw;
    }
    next = Station{};
    rebuild_station();
    if (refusal.empty()) return;  // the host's copy failed and said so
    diagnose(refusal);
    VesselDefinition kept_vessel;
    kept_vessel.def = vessel_.def;
    derive_vessel_data(station_, kept_vessel);
    commit_vessel_data(p, record, kept_vessel);
}

void Module::let_go_of_station() noexcept { station_ = Station{}; }

void Module::rebuild_station() noexcept {
    try {
        Context ctx = built_from_ctx_;
        Station again;
        parse_blob(ctx, again, catalogue_, built_from_, {});
        // Placed and walked as its own build left it.
        VesselDefinition scratch;
        derive_vessel_data(again, scratch);
        station_ = std::move(again);
    } catch (...) {
        station_ = Station{};
        built_from_ = BlobStation{};
        diagnose("make_vessel: the previous station could not be built again (out of memory); the station is now empty");
    }
}

void Module::derive_vessel_data(Station& st, VesselDefinition& vd) {
    place_block(st, st.root, root_position, root_orientation, true);
    vd.build();
    clear_visited(st);
    scan_block(st, vd, st.root);
    build_habitat_entry(vd);
    if (vd.out_of_memory) throw std::bad_alloc();
}

bool Module::commit_vessel_data(void* p, HostVesselRecord* record, VesselDefinition& vd) {
    if (!vd.copy_to_host(p, record)) {
        diagnose("make_vessel: out of memory for the host's vessel lists; the previous station and vessel data are kept");
        return false;
    }
    vessel_.def = vd.def;
    vessel_.data.swap(vd.data);
    return true;
}

void Module::make_vesselmesh(void* mesh) noexcept {
    const FpuScope fpu;
    guarded("make_vesselmesh", [&] {
        if (!started_) {
            diagnose("make_vesselmesh: the module did not start up; mesh left alone");
            return;
        }
        if (!host_.used_slots_filled()) {
            diagnose("make_vesselmesh: no host table (initint not called or slots empty); mesh left alone");
            return;
        }
        quilbet::make_vesselmesh(station_, host_, mesh, [this](const std::string& line) { diagnose(line); });
    });
}

}  // namespace quilbet
