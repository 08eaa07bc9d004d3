// Block records: defining parameters and block types, and the three parameter
// accessors through which the geometry dispatch reads parameter values.
#include "blocks/block.hpp"

namespace quilbet {

void define_param(paramtyp& p, const std::string& name, int32_t id, int32_t kind, double def_value,
                  double min, double max) {
    p.name = name;
    p.id = id;
    p.kind = kind;
    p.min = min;
    p.max = max;
    p.val = def_value;
    p.def = def_value;
}

void define_block_type(blocktyp& b, const std::string& name, int32_t btype, int32_t cat,
                       int32_t nparams, int32_t nports) {
    b.live = 1;
    b.name = name;
    b.btype = btype;
    b.cat = cat;
    b.nparams = nparams;
    b.nports = nports;
    b.size = 1.0;
    b.id = -1;
    // Arrays keep what they hold and grow with zero-filled entries.
    b.params.resize(static_cast<size_t>(nparams < 0 ? 0 : nparams));
    b.ports.resize(static_cast<size_t>(nports < 0 ? 0 : nports));
    b.msh.used = 0;
    b.visited = 0;
    b.pos = Vec3{0, 0, 0};
    b.rot = Quat{0, 0, 0, 1};
}

double param_value(const blocktyp& b, int32_t id) {
    const size_t n = b.nparams < 0 ? 0 : static_cast<size_t>(b.nparams);
    const size_t count = n < b.params.size() ? n : b.params.size();
    for (size_t i = 0; i < count; ++i) {
        if (b.params[i].id == id) return b.params[i].val;
    }
    return 0.0;
}

bool param_bool(const blocktyp& b, int32_t id) { return param_value(b, id) > 0.0; }

int32_t param_int(const blocktyp& b, int32_t id) { return nearest_i32(param_value(b, id)); }

}  // namespace quilbet
