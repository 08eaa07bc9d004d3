// The type table of the description tools, read from the module's own
// Catalogue; instance ports and build figures come from the module's own
// per-type rows, without building geometry.
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
    // this object.
    explicit CatalogueTypes(const Catalogue& borrowed);

    const std::vector<TypeInfo>& types() const override { return types_; }
    std::vector<PortInfo> instance_ports(size_t type_index, const std::vector<BlobParam>& params) const override;
    BuildFigures instance_figures(size_t type_index, const std::vector<BlobParam>& params) const override;

private:
    void read_entries();

    Context ctx_;
    Catalogue own_;
    const Catalogue* catalogue_ = nullptr;
    std::vector<TypeInfo> types_;
};

}  // namespace quilbet
