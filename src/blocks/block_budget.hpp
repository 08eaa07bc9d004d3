// What building one block costs, worked out from its type and parameter
// values alone, before any geometry exists. The station budget adds these up
// to refuse a description that the host could not take or that would take
// too long to build.
#pragma once

#include <cstdint>

#include "blocks/block.hpp"

namespace quilbet {

struct BuildFigures {
    int64_t groups = 0;     // mesh groups the block fills (never fewer than the build makes)
    int64_t vertices = 0;   // vertices over all its groups (never fewer than the build makes)
    int64_t pixels = 0;     // texture pixels over all its groups (never fewer than the build paints)
    int64_t work = 0;       // estimated build time in microseconds (native, one thread, 2-core reference VM)

    BuildFigures& operator+=(const BuildFigures& o) {
        groups += o.groups;
        vertices += o.vertices;
        pixels += o.pixels;
        work += o.work;
        return *this;
    }
};

// The figures of b's type for b's parameter values (params and nparams are
// read, the mesh is not). Groups, vertices and pixels are upper bounds of what
// build_block_geometry makes for those values; work is an estimate. A type
// without a generator builds nothing: all zero.
BuildFigures block_build_figures(const blocktyp& b);

}  // namespace quilbet
