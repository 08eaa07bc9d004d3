// Type table from the module's Catalogue.
#include "catalogue_types.hpp"

#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"

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

std::vector<PortInfo> CatalogueTypes::instance_ports(size_t type_index, const std::vector<BlobParam>& params) const {
    const blocktyp& entry = catalogue_->entries().at(type_index);
    std::vector<std::pair<int32_t, double>> key;
    bool all_default = true;
    for (const BlobParam& p : params) {
        key.emplace_back(p.id, p.value);
        for (const paramtyp& q : entry.params) {
            if (q.id == p.id && q.val != p.value) all_default = false;
        }
    }
    if (all_default) return types_[type_index].ports;
    const auto hit = cache_.find({type_index, key});
    if (hit != cache_.end()) return hit->second;
    blocktyp inst;
    copy_block(inst, entry, true);
    for (const BlobParam& p : params) {
        for (paramtyp& q : inst.params) {
            if (q.id == p.id) {
                q.val = p.value;
                break;
            }
        }
    }
    build_block_geometry(ctx_, inst, true);
    std::vector<PortInfo> ports = ports_of(inst);
    cache_.emplace(std::make_pair(type_index, key), ports);
    return ports;
}

}  // namespace quilbet
