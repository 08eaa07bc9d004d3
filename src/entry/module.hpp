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
#include "entry/diagnostic.hpp"
#include "entry/host_interface.hpp"
#include "entry/vessel_definition.hpp"
#include "texture/context.hpp"

namespace quilbet {

struct StartupOptions {
    // Create the folders and write the placeholder files in the current folder.
    bool write_placeholder_files = true;
};

class Module {
public:
    Module() = default;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Start-up: floating-point environment, folders and placeholder files (see
    // startup.hpp), catalogue (progress phase 0, 26 times), empty block table.
    // An I/O error stops it there: false, started() stays false and the entry
    // points then do nothing (each with a diagnostic). Running it again retries.
    bool startup(const StartupOptions& options = {});
    // Keeps a copy of the host's 119 slots (table: the host's record, or null
    // for an empty table). Checks and calls nothing.
    void initint(const void* table);
    // Builds the station of the blob in vessel (a HostVesselRecord) and copies
    // the 864-byte definition into p and the nine lists into vessel. A refused
    // blob keeps the previous station (diagnostic naming record and field);
    // the definition is rebuilt and copied either way. Null p or vessel: the
    // station is built from no blob (kept) and only the non-null side is written.
    void make_vessel(void* p, void* vessel);
    // Hands the station to the host mesh through the host table. Before
    // initint (or with any of the seven slots empty) it does nothing but a
    // diagnostic.
    void make_vesselmesh(void* mesh);

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
    void diagnose(const std::string& line);
    void progress(int32_t phase, double fraction);

    Context ctx_;
    Catalogue catalogue_;
    Station station_;
    VesselDefinition vessel_;
    HostInterface host_;
    bool started_ = false;
    std::string last_error_;
    DiagnosticFn sink_;
    bool custom_sink_ = false;
    ProgressFn progress_;
};

}  // namespace quilbet
