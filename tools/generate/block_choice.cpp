// Block choices and the records made from them.
#include "generate/block_choice.hpp"

#include <stdexcept>
#include <string>

#include "blocks/geometry.hpp"
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

BlockChoice choice_of_record(const BlobRecord& r) {
    BlockChoice c = default_choice(static_cast<BlockType>(r.btype));
    for (const BlobParam& p : r.params) c.set(p.id, p.value);
    return c;
}

blocktyp make_instance(const BlockChoice& choice) {
    blocktyp b = type_instance(type_spec(choice.type), choice.params);
    define_block_ports(b);
    return b;
}

BuildFigures choice_figures(const BlockChoice& choice) { return block_build_figures(make_instance(choice)); }

}  // namespace quilbet
