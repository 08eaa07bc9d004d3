// Type table from the module's block-type table.
#include "station/catalogue_types.hpp"

namespace quilbet {

CatalogueTypes::CatalogueTypes() {
    for (const BlockTypeSpec& spec : block_types()) {
        TypeInfo t;
        t.name = spec.name;
        t.btype = spec.btype();
        t.cat = static_cast<int32_t>(spec.category);
        t.category = category_names().at(static_cast<size_t>(t.cat));
        t.params = spec.params;
        spec.ports(type_instance(spec, {}), t.ports);
        types_.push_back(std::move(t));
    }
}

std::vector<PortInfo> CatalogueTypes::instance_ports(size_t type_index, const std::vector<BlobParam>& params) const {
    const BlockTypeSpec& spec = block_types().at(type_index);
    std::vector<PortDef> out;
    spec.ports(type_instance(spec, params), out);
    return out;
}

BuildFigures CatalogueTypes::instance_figures(size_t type_index, const std::vector<BlobParam>& params) const {
    const BlockTypeSpec& spec = block_types().at(type_index);
    return spec.figures(type_instance(spec, params));
}

}  // namespace quilbet
