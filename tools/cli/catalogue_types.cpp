// Type table from the module's Catalogue.
#include "catalogue_types.hpp"

#include "blocks/block_ports.hpp"

namespace quilbet {
namespace {

std::vector<PortInfo> ports_of(const blocktyp& b) {
    std::vector<PortInfo> out;
    for (int32_t i = 0; i < b.nports && i < static_cast<int32_t>(b.ports.size()); ++i) {
        const BlockPort& p = b.ports[static_cast<size_t>(i)];
        out.push_back({p.kind, p.lpos, p.ldir, p.lup});
    }
    return out;
}

}  // namespace

CatalogueTypes::CatalogueTypes() {
    own_.build_catalogue(ctx_);
    catalogue_ = &own_;
    read_entries();
}

CatalogueTypes::CatalogueTypes(const Catalogue& borrowed) : catalogue_(&borrowed) { read_entries(); }

void CatalogueTypes::read_entries() {
    const auto& cats = catalogue_->names();
    for (const blocktyp& e : catalogue_->entries()) {
        TypeInfo t;
        t.name = e.name;
        t.btype = e.btype;
        t.cat = e.cat;
        t.category = e.cat >= 0 && e.cat < static_cast<int32_t>(cats.size()) ? cats[static_cast<size_t>(e.cat)] : "";
        for (int32_t i = 0; i < e.nparams && i < static_cast<int32_t>(e.params.size()); ++i) {
            const paramtyp& p = e.params[static_cast<size_t>(i)];
            t.params.push_back({p.name, p.id, p.kind, p.def, p.min, p.max});
        }
        t.ports = ports_of(e);
        types_.push_back(std::move(t));
    }
}

namespace {

// An instance of entry with its parameters set by params (later entries win),
// without geometry: enough to read its ports and build figures.
blocktyp bare_instance(const blocktyp& entry, const std::vector<BlobParam>& params) {
    blocktyp inst;
    inst.btype = entry.btype;
    inst.params = entry.params;
    inst.nparams = entry.nparams;
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

std::vector<PortInfo> CatalogueTypes::instance_ports(size_t type_index, const std::vector<BlobParam>& params) const {
    const blocktyp inst = bare_instance(catalogue_->entries().at(type_index), params);
    std::vector<PortDef> defs;
    block_port_defs(inst, defs);
    std::vector<PortInfo> out;
    out.reserve(defs.size());
    for (const PortDef& d : defs) out.push_back({d.kind, d.pos, d.dir, d.up});
    return out;
}

BuildFigures CatalogueTypes::instance_figures(size_t type_index, const std::vector<BlobParam>& params) const {
    return block_build_figures(bare_instance(catalogue_->entries().at(type_index), params));
}

}  // namespace quilbet
