// What the description tools need to know about block types: names, ids,
// parameters with kinds, ranges and hard limits, and the ports an instance
// gets for a given set of parameter values. The source is the module's
// block-type table (catalogue_types.hpp); tests can supply a small table of
// their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks/block_types.hpp"
#include "maths/maths.hpp"
#include "station/blob.hpp"

namespace quilbet {

// Parameters and ports are the block-type table's own records.
using ParamInfo = ParamSpec;
using PortInfo = PortDef;

struct TypeInfo {
    std::string name;
    int32_t btype = 0;
    int32_t cat = 0;
    std::string category;
    std::vector<ParamInfo> params;
    std::vector<PortInfo> ports;   // the ports of the default parameters
};

class TypeSource {
public:
    virtual ~TypeSource() = default;
    // Every type, in catalogue order.
    virtual const std::vector<TypeInfo>& types() const = 0;
    // The ports of an instance of types()[type_index] whose parameters are set
    // by `params` (entries in blob order; later entries win; unknown ids ignored).
    virtual std::vector<PortInfo> instance_ports(size_t type_index, const std::vector<BlobParam>& params) const = 0;
    // What building that instance costs (see block_budget.hpp); a table
    // without figures answers zero and so never meets the station budget.
    virtual BuildFigures instance_figures(size_t, const std::vector<BlobParam>&) const { return {}; }

    // Index of the first type with this id, or -1.
    int32_t find_btype(int32_t btype) const;
    // Index of the first type whose name matches ignoring letter case, or -1.
    int32_t find_name(const std::string& name) const;
};

// Case-insensitive edit distance (insertions, deletions, substitutions, swaps of neighbours).
size_t name_distance(const std::string& a, const std::string& b);
// Names longer than this get no suggestions and are never suggested.
inline constexpr size_t max_suggested_name = 64;
// The candidate closest to `name`, or "" when none is close enough to be a
// likely typo (or when name is longer than max_suggested_name).
std::string closest_name(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace quilbet
