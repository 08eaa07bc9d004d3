// The catalogue of the 26 block types: each row of the block-type table
// becomes an entry with its parameters, ports and texture object; its default
// geometry is built now or on first use from a copy of the context.
#include "blocks/catalogue.hpp"

#include "blocks/block_types.hpp"
#include "blocks/geometry.hpp"
#include "texture/gl_textures.hpp"
#include "texture/painters.hpp"

namespace quilbet {

namespace {

// Moves ctx on as the default build of type row does: its draws, the last of
// which seeds the noise tables as tex_noise does.
void skip_default_build(Context& ctx, const BlockTypeSpec& row) {
    if (row.default_draws < 1) return;
    ctx.random.advance(static_cast<uint32_t>(row.default_draws - 1));
    tex_noise_seed(ctx);
}

}  // namespace

void Catalogue::build_catalogue(Context& ctx, const ProgressFn& progress, DefaultGeometry when) {
    const std::lock_guard<std::mutex> lock(building_);
    const std::vector<BlockTypeSpec>& rows = block_types();
    const int32_t count = static_cast<int32_t>(rows.size());
    definitions_.clear();
    definitions_.resize(rows.size());
    built_.clear();
    built_.reserve(rows.size());
    defaults_ctx_ = ctx;
    for (int32_t i = 0; i < count; ++i) {
        const BlockTypeSpec& row = rows[static_cast<size_t>(i)];
        blocktyp& entry = definitions_[static_cast<size_t>(i)];
        define_block_type(entry, row.name, row.btype(), static_cast<int32_t>(row.category),
                          static_cast<int32_t>(row.params.size()), 0);
        gl_tex_create(entry.tex, 128, 128, false, true, false);
        for (size_t k = 0; k < row.params.size(); ++k) {
            const ParamSpec& p = row.params[k];
            define_param(entry.params[k], p.name, p.id, static_cast<int32_t>(p.kind), p.def, p.min, p.max);
        }
        define_block_ports(entry);
        if (when == DefaultGeometry::now) {
            blocktyp built = entry;
            build_block_geometry(ctx, built, true);
            built_.push_back(std::move(built));
            defaults_ctx_ = ctx;
        } else {
            skip_default_build(ctx, row);
        }
        // The fraction is formed in extended precision and rounded once.
        if (progress) progress(0, static_cast<double>(static_cast<long double>(i + 1) / count));
    }
    category_names_ = category_names();
}

void Catalogue::build_through(int32_t last) const {
    const std::lock_guard<std::mutex> lock(building_);
    while (static_cast<int32_t>(built_.size()) <= last && built_.size() < definitions_.size()) {
        // Built on copies, kept only when whole: a failure (out of memory)
        // leaves the next build to start from the same state.
        Context ctx = defaults_ctx_;
        blocktyp built = definitions_[built_.size()];
        build_block_geometry(ctx, built, true);
        built_.push_back(std::move(built));
        defaults_ctx_ = std::move(ctx);
    }
}

const std::vector<blocktyp>& Catalogue::entries() const {
    build_through(catalogue_count() - 1);
    return built_;
}

const blocktyp& Catalogue::entry(int32_t i) const {
    build_through(i);
    return built_[static_cast<size_t>(i)];
}

int32_t Catalogue::built_count() const {
    const std::lock_guard<std::mutex> lock(building_);
    return static_cast<int32_t>(built_.size());
}

int32_t Catalogue::find_type(int32_t btype) const {
    for (size_t i = 0; i < definitions_.size(); ++i) {
        if (definitions_[i].live && definitions_[i].btype == btype) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t Catalogue::find_name(const std::string& name) const {
    // Entries are the table's rows under the same names: one name lookup for both.
    const BlockTypeSpec* row = find_block_type_named(name);
    return row != nullptr ? find_type(row->btype()) : -1;
}

}  // namespace quilbet
