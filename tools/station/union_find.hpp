// Disjoint sets over 0 .. n - 1 with path halving: which blocks the links
// already join, so that a link closing a cycle is found in near-constant time.
#pragma once

#include <cstddef>
#include <numeric>
#include <vector>

namespace quilbet {

class UnionFind {
public:
    explicit UnionFind(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
    // The representative of a's set.
    size_t find(size_t a) {
        while (parent_[a] != a) a = parent_[a] = parent_[parent_[a]];
        return a;
    }
    // Joins the sets of a and b; false when they were joined already.
    bool join(size_t a, size_t b) {
        a = find(a);
        b = find(b);
        if (a == b) return false;
        parent_[a] = b;
        return true;
    }

private:
    std::vector<size_t> parent_;
};

}  // namespace quilbet
