// Type table from the module's block-type table.
#include "catalogue_types.hpp"

namespace quilbet {
namespace {

// An instance of type t with its parameters at their defaults, then set by
// params (later entries win; ids the type lacks are ignored): enough to read
// its ports and build figures.
blocktyp bare_instance(const BlockTypeSpec& t, const std::vector<BlobParam>& params) {
    blocktyp inst;
    inst.btype = t.btype();
    inst.nparams = static_cast<int32_t>(t.params.size());
    inst.params.resize(t.params.size());
    for (size_t k = 0; k < t.params.size(); ++k) {
        inst.params[k].id = t.params[k].id;
        inst.params[k].kind = static_cast<int32_t>(t.params[k].kind);
        inst.params[k].val = t.params[k].def;
    }
    for (const BlobParam& p : params) {
        for (paramtyp& q : inst.params) {
            if (q.id == p.id) {
                q.val = p.value;
                break;
            }
        }
    }
    return inst;
}

}  // namespace

CatalogueTypes::CatalogueTypes() {
    for (const BlockTypeSpec& spec : block_types()) {
        TypeInfo t;
        t.name = spec.name;
        t.btype = spec.btype();
        t.cat = static_cast<int32_t>(spec.category);
        t.category = category_names().at(static_cast<size_t>(t.cat));
        t.params = spec.params;
        spec.ports(bare_instance(spec, {}), t.ports);
        types_.push_back(std::move(t));
    }
}

std::vector<PortInfo> CatalogueTypes::instance_ports(size_t type_index, const std::vector<BlobParam>& params) const {
    const BlockTypeSpec& spec = block_types().at(type_index);
    std::vector<PortDef> out;
    spec.ports(bare_instance(spec, params), out);
    return out;
}

BuildFigures CatalogueTypes::instance_figures(size_t type_index, const std::vector<BlobParam>& params) const {
    const BlockTypeSpec& spec = block_types().at(type_index);
    return spec.figures(bare_instance(spec, params));
}

}  // namespace quilbet
