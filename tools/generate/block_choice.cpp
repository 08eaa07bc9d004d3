// Block choices and the records made from them.
#include "block_choice.hpp"

#include <stdexcept>
#include <string>

#include "blocks/placement.hpp"

namespace quilbet {

BlockChoice& BlockChoice::set(int32_t id, double value) {
    for (BlobParam& p : params) {
        if (p.id == id) p.value = value;
    }
    return *this;
}

bool BlockChoice::operator<(const BlockChoice& o) const {
    if (type != o.type) return type < o.type;
    if (params.size() != o.params.size()) return params.size() < o.params.size();
    for (size_t i = 0; i < params.size(); ++i) {
        if (params[i].id != o.params[i].id) return params[i].id < o.params[i].id;
        if (params[i].value != o.params[i].value) return params[i].value < o.params[i].value;
    }
    return false;
}

bool BlockChoice::operator==(const BlockChoice& o) const { return !(*this < o) && !(o < *this); }

const BlockTypeSpec& type_spec(BlockType type) {
    const BlockTypeSpec* spec = find_block_type(static_cast<int32_t>(type));
    if (spec == nullptr) throw std::logic_error("no block type " + std::to_string(static_cast<int32_t>(type)));
    return *spec;
}

BlockChoice default_choice(BlockType type) {
    BlockChoice c;
    c.type = type;
    for (const ParamSpec& p : type_spec(type).params) c.params.push_back({p.id, p.def});
    return c;
}

blocktyp make_instance(const BlockChoice& choice) {
    const BlockTypeSpec& spec = type_spec(choice.type);
    blocktyp b;
    b.live = 1;
    b.name = spec.name;
    b.btype = spec.btype();
    b.cat = static_cast<int32_t>(spec.category);
    b.nparams = static_cast<int32_t>(spec.params.size());
    b.params.resize(spec.params.size());
    for (size_t k = 0; k < spec.params.size(); ++k) {
        paramtyp& p = b.params[k];
        p.name = spec.params[k].name;
        p.id = spec.params[k].id;
        p.kind = static_cast<int32_t>(spec.params[k].kind);
        p.min = spec.params[k].min;
        p.max = spec.params[k].max;
        p.def = spec.params[k].def;
        p.val = p.def;
        for (const BlobParam& v : choice.params) {
            if (v.id == p.id) p.val = v.value;
        }
    }
    std::vector<PortDef> rows;
    block_port_defs(b, rows);
    b.nports = static_cast<int32_t>(rows.size());
    b.ports.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        define_port(b.ports[i], rows[i].pos, rows[i].dir, rows[i].up, static_cast<int32_t>(rows[i].kind));
    }
    return b;
}

BuildFigures choice_figures(const BlockChoice& choice) { return block_build_figures(make_instance(choice)); }

}  // namespace quilbet
