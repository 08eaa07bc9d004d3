// The catalogue of the 26 block types: each row of the block-type table
// becomes an entry with its parameters, default geometry, ports and size.
#include "blocks/catalogue.hpp"

#include "blocks/block_types.hpp"
#include "blocks/geometry.hpp"
#include "texture/gl_textures.hpp"

namespace quilbet {

void Catalogue::build_catalogue(Context& ctx, const ProgressFn& progress) {
    const std::vector<BlockTypeSpec>& rows = block_types();
    const int32_t count = static_cast<int32_t>(rows.size());
    catalogue.clear();
    catalogue.resize(rows.size());
    for (int32_t i = 0; i < count; ++i) {
        const BlockTypeSpec& row = rows[static_cast<size_t>(i)];
        blocktyp& entry = catalogue[static_cast<size_t>(i)];
        define_block_type(entry, row.name, row.btype(), static_cast<int32_t>(row.category),
                          static_cast<int32_t>(row.params.size()), 0);
        gl_tex_create(entry.tex, 128, 128, false, true, false);
        for (size_t k = 0; k < row.params.size(); ++k) {
            const ParamSpec& p = row.params[k];
            define_param(entry.params[k], p.name, p.id, static_cast<int32_t>(p.kind), p.def, p.min, p.max);
        }
        build_block_geometry(ctx, entry, true);
        // The fraction is formed in extended precision and rounded once.
        if (progress) progress(0, static_cast<double>(static_cast<long double>(i + 1) / count));
    }
    category_names_ = category_names();
}

int32_t Catalogue::find_type(int32_t btype) const {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].live && catalogue[i].btype == btype) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t Catalogue::find_name(const std::string& name) const {
    // Entries are the table's rows under the same names: one name lookup for both.
    const BlockTypeSpec* row = find_block_type_named(name);
    return row != nullptr ? find_type(row->btype()) : -1;
}

}  // namespace quilbet
