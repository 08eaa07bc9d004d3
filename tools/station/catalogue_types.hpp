// The type table of the description tools: a view of the module's block-type
// table. Instance ports and build figures come from the table's own rows,
// without building geometry.
#pragma once

#include <vector>

#include "station/type_info.hpp"

namespace quilbet {

class CatalogueTypes final : public TypeSource {
public:
    CatalogueTypes();

    const std::vector<TypeInfo>& types() const override { return types_; }
    std::vector<PortInfo> instance_ports(size_t type_index, const std::vector<BlobParam>& params) const override;
    BuildFigures instance_figures(size_t type_index, const std::vector<BlobParam>& params) const override;

private:
    std::vector<TypeInfo> types_;
};

}  // namespace quilbet
