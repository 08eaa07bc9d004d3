// The type table of the description tools, read from the module's own
// Catalogue; instance ports come from the real geometry dispatch.
#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "blocks/catalogue.hpp"
#include "texture/context.hpp"
#include "type_info.hpp"

namespace quilbet {

class CatalogueTypes final : public TypeSource {
public:
    // Builds a catalogue of its own (default geometry of all 26 types).
    CatalogueTypes();
    // Reads a catalogue that someone else built (a Module's); it must outlive
    // this object. Instance ports are still generated on a context of our own,
    // so the owner's random state is never touched.
    explicit CatalogueTypes(const Catalogue& borrowed);

    const std::vector<TypeInfo>& types() const override { return types_; }
    // Default parameters reuse the catalogue entry's ports; other values
    // regenerate an instance once per distinct parameter set (cached).
    std::vector<PortInfo> instance_ports(size_t type_index, const std::vector<BlobParam>& params) const override;

private:
    void read_entries();

    mutable Context ctx_;
    Catalogue own_;
    const Catalogue* catalogue_ = nullptr;
    std::vector<TypeInfo> types_;
    mutable std::map<std::pair<size_t, std::vector<std::pair<int32_t, double>>>, std::vector<PortInfo>> cache_;
};

}  // namespace quilbet
