// A built station as files the host reads without the plug-in: NAME.msh (the
// host's text mesh format) and one NAME_NNN.dds per textured group, NNN being
// the group's number from 0 in three digits, all in one folder. The mesh's
// texture list names the DDS files without a folder, as the placeholder mesh
// names its texture.
#pragma once

#include <string>
#include <vector>

#include "station/dds_writer.hpp"
#include "station/files.hpp"
#include "station/host_handover.hpp"

namespace quilbet {

// The NAME for the files of the station read from `input`: the file name
// without folder and extension, with characters other than letters, digits,
// '.', '-' and '_' replaced by '_' ("station" when nothing is left).
std::string host_file_stem(const std::string& input);

// The mesh file and the texture files of `handover` in folder `dir`, in that
// order, texels compressed as `format` says; nothing is written.
std::vector<OutputFile> host_mesh_files(const HostHandover& handover, const std::string& dir, const std::string& name,
                                        DdsFormat format);

// True when files can later be written into `dir`: it is a folder that takes
// a new file, or it does not exist yet and its nearest existing parent is
// such a folder. False with the reason in error. Creates and leaves nothing.
bool can_write_host_mesh_folder(const std::string& dir, std::string& error);

// Creates `dir` with its missing parents; true when it is a folder now. False
// with the reason in error.
bool make_host_mesh_folder(const std::string& dir, std::string& error);

}  // namespace quilbet
