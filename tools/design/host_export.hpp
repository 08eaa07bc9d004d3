// The designer's "Export for the host": a checked station built through the
// module's entry points (as `quilbet build --host-mesh` builds it) and its
// host files, the mesh file and the DDS textures, as one zip archive.
#pragma once

#include <string>

#include "design/design_api.hpp"
#include "station/dds_writer.hpp"
#include "station/station_json.hpp"

namespace quilbet {

// 200 with an application/zip body holding NAME.msh and NAME_NNN.dds (see
// host_mesh_files; NAME from host_file_stem(name_source), "station" for "")
// at the top of the archive; 422 with {error} when the module refuses the
// station (its own message) and 500 when the archive cannot be made. `st`
// must have passed the CLI's checks.
ApiResponse host_export(const StationText& st, const std::string& name_source, DdsFormat format);

}  // namespace quilbet
