// The plug-in as one object: everything the three entry points work on.
//
// Exactly one instance sits behind the exported entry points (exports.cpp);
// tests and tools make their own, so each starts from random state 0 and
// several stations can be built side by side on separate instances.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/catalogue.hpp"
#include "blocks/station.hpp"
#include "entry/blob.hpp"
#include "entry/diagnostic.hpp"
#include "entry/host_interface.hpp"
#include "entry/vessel_definition.hpp"
#include "texture/context.hpp"

namespace quilbet {

struct StartupOptions {
    // Create the folders and write the placeholder files in the current folder.
    bool write_placeholder_files = true;
    // When the catalogue entries' default geometry is built. No host path
    // reads it, and either way the module starts in the same state.
    DefaultGeometry default_geometry = DefaultGeometry::on_first_use;
};

class Module {
public:
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Every entry point below is an exception barrier: nothing it meets, an
    // exhausted heap included, escapes to the caller; it ends with a diagnostic.
    // Start-up, make_vessel and make_vesselmesh run under the module's own
    // floating-point state (FpuScope) and leave the caller's as they found it.

    // Start-up: floating-point control word (for its own duration), folders and placeholder files (see
    // startup.hpp), catalogue (progress phase 0, 26 times; the entries' default
    // geometry waits for its first use unless options say now), empty block table.
    // An I/O error or any other failure stops it there: false, started() stays
    // false and the entry points then do nothing (each with a diagnostic).
    // Running it again retries.
    bool startup(const StartupOptions& options = {}) noexcept;
    // Keeps a copy of the host's 119 slots (table: the host's record, or null
    // for an empty table). Checks and calls nothing.
    void initint(const void* table) noexcept;
    // Builds the station of the blob in vessel (a HostVesselRecord) and copies
    // the 864-byte definition into p and the nine lists into vessel. A refused
    // blob (bad record or field, or over the station budget) keeps the previous
    // station, with a diagnostic naming record and field or the budget; the
    // definition is then derived again and copied. So is a station that was
    // built but fails the last check before it is taken (a non-finite vertex,
    // or beyond the budget's extent: station_check.hpp). A build that fails on the
    // way (out of memory) changes nothing at all: station, random state, vessel
    // data, p and the host's lists stay as they were. To hold only one
    // station's geometry at a time, the previous station is let go while the
    // new one builds and is built again (bit for bit, from its records and
    // random state) when the new one is not taken; should memory not even
    // suffice for that, the station is left empty, with a diagnostic. Null p or vessel: the
    // station is built from no blob (kept) and only the non-null side is written.
    void make_vessel(void* p, void* vessel) noexcept;
    // Hands the station to the host mesh through the host table. Before
    // initint (or with any of the seven slots empty) it does nothing but a
    // diagnostic.
    void make_vesselmesh(void* mesh) noexcept;

    bool started() const { return started_; }
    // The last diagnostic line (empty when none since construction).
    const std::string& last_error() const { return last_error_; }
    // Where diagnostics go besides last_error(); the default is the platform
    // sink (stderr, or on Windows the debugger and quilbet.log). An empty
    // function silences them.
    void set_diagnostic_sink(DiagnosticFn sink) {
        sink_ = std::move(sink);
        custom_sink_ = true;
    }
    // Also receives every report_progress call (phase, fraction).
    void set_progress_callback(ProgressFn fn) { progress_ = std::move(fn); }

    Context& context() { return ctx_; }
    const Catalogue& catalogue() const { return catalogue_; }
    Station& station() { return station_; }
    const VesselDefinition& vessel() const { return vessel_; }
    const HostInterface& host() const { return host_; }

private:
    void diagnose(const std::string& line) noexcept;
    void progress(int32_t phase, double fraction);
    // Runs work; anything it throws ends as a diagnostic naming the entry.
    template <typename Work>
    void guarded(const char* entry, Work&& work) noexcept;
    void build_vessel(void* p, HostVesselRecord* record);
    // Steps 2 to 6 of a build over st: placement, definition, walk, habitat entry.
    // Throws std::bad_alloc when the definition could not be completed.
    static void derive_vessel_data(Station& st, VesselDefinition& vd);
    // Copies vd to the host; only then does vd become the module's vessel data.
    bool commit_vessel_data(void* p, HostVesselRecord* record, VesselDefinition& vd);
    // Frees the station's blocks, geometry and textures; built_from_ and
    // built_from_ctx_ still describe it.
    void let_go_of_station() noexcept;
    // Builds the station again from built_from_ with built_from_ctx_ (the same
    // blocks, geometry, pixels and placement as its first build). Should that
    // fail for lack of memory, the station is left empty, with a diagnostic.
    void rebuild_station() noexcept;

    Context ctx_;
    Catalogue catalogue_;
    Station station_;
    // The records station_ was built from and the random state it was built with.
    BlobStation built_from_;
    Context built_from_ctx_;
    VesselDefinition vessel_;
    HostInterface host_;
    bool started_ = false;
    std::string last_error_;
    DiagnosticFn sink_;
    bool custom_sink_ = false;
    ProgressFn progress_;
};

}  // namespace quilbet
