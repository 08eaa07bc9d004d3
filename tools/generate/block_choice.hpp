// One block as the generator decides it: a type and a value for every one of
// the type's parameters, in the block-type table's order.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/block.hpp"
#include "blocks/block_types.hpp"
#include "entry/blob.hpp"

namespace quilbet {

struct BlockChoice {
    BlockType type = BlockType::hab_node_a;
    std::vector<BlobParam> params;   // (id, value) for every parameter of the type, table order

    // Sets the parameter with this id (ignored when the type has none).
    BlockChoice& set(int32_t id, double value);
    bool operator<(const BlockChoice& o) const;
    bool operator==(const BlockChoice& o) const;
};

// The type's row of the block-type table (every type of the enum has one).
const BlockTypeSpec& type_spec(BlockType type);

// A choice with every parameter at the type's default.
BlockChoice default_choice(BlockType type);

// A record's block as a choice: every parameter at its default, then the
// record's values in order (a later value for an id wins).
BlockChoice choice_of_record(const BlobRecord& r);

// A block record for the choice: live, type, parameters, and its ports
// defined from the type's port rows; no geometry, at the origin.
blocktyp make_instance(const BlockChoice& choice);

// What building the block costs (the type's build figures for these values).
BuildFigures choice_figures(const BlockChoice& choice);

}  // namespace quilbet
