// Port rows of every block type. Port directions point out of the block;
// positions are in the block's frame, where every generator builds around the
// origin.
#include "blocks/block_ports.hpp"

#include <limits>

namespace quilbet {

namespace {

Vec3 v(double x, double y, double z) { return Vec3{x, y, z}; }

void add(std::vector<PortDef>& out, Vec3 pos, Vec3 dir, Vec3 up, int32_t kind) { out.push_back({pos, dir, up, kind}); }

// The box-section girder's ports: the two ends, then four side ports per bay.
// Bays are centred on the origin along z: z_i = i L - (n L / 2 - L / 2).
void truss_ports(std::vector<PortDef>& out, int32_t n, Vec3 dims) {
    const long double w = dims.x;
    const long double h = dims.y;
    const long double len = dims.z;
    add(out, v(0, 0, static_cast<double>(n * len / 2)), v(0, 0, 1), v(0, 1, 0), 1);
    add(out, v(0, 0, static_cast<double>(-(n * len) / 2)), v(0, 0, -1), v(0, -1, 0), 1);
    for (int32_t i = 0; i < n; ++i) {
        const double z = static_cast<double>(i * len - (n * len / 2 - len / 2));
        const double hw = static_cast<double>(w / 2);
        const double hh = static_cast<double>(h / 2);
        add(out, v(hw, 0, z), v(1, 0, 0), v(0, 1, 0), 2);
        add(out, v(-hw, 0, z), v(-1, 0, 0), v(0, -1, 0), 2);
        add(out, v(0, hh, z), v(0, 1, 0), v(1, 0, 0), 3);
        add(out, v(0, -hh, z), v(0, -1, 0), v(-1, 0, 0), 3);
    }
}

// Habitat ports: two axial ports of kind 10 and four side ports at offset s.
void habitat_ports(std::vector<PortDef>& out, int32_t btype, double len, double s) {
    add(out, v(0, 0, len / 2), v(0, 0, 1), v(0, 1, 0), 10);
    add(out, v(0, 0, -len / 2), v(0, 0, -1), v(0, -1, 0), 10);
    if (btype == 53) {
        add(out, v(0, s, 0), v(0, 1, 0), v(0, 0, 1), 10);
        add(out, v(0, -s, 0), v(0, -1, 0), v(0, 0, -1), 10);
        add(out, v(s, 0, 0), v(1, 0, 0), v(0, 1, 0), 10);
        add(out, v(-s, 0, 0), v(-1, 0, 0), v(0, -1, 0), 10);
        return;
    }
    add(out, v(s, 0, 0), v(1, 0, 0), v(0, 1, 0), 1);
    add(out, v(-s, 0, 0), v(-1, 0, 0), v(0, -1, 0), 1);
    if (btype == 52) {
        add(out, v(0, s, 0), v(0, 1, 0), v(1, 0, 0), 1);
        add(out, v(0, -s, 0), v(0, -1, 0), v(-1, 0, 0), 1);
    } else {
        add(out, v(0, s, 0), v(0, 1, 0), v(0, 0, 1), 1);
        add(out, v(0, -s, 0), v(0, -1, 0), v(0, 0, -1), 1);
    }
}

}  // namespace

int32_t safe_bay_count(int32_t n) {
    if (n < 0 || n > (std::numeric_limits<int32_t>::max() - 2) / 4) return 0;
    return n;
}

bool block_port_defs(const blocktyp& b, std::vector<PortDef>& out) {
    out.clear();
    const int32_t t = b.btype;
    switch (t) {
    case 11:
    case 12:
        add(out, v(0, std_height / 2, 0), v(0, 1, 0), v(0, 0, 1), 3);
        add(out, v(0, -std_height / 2, 0), v(0, -1, 0), v(0, 0, -1), 3);
        add(out, v(0, 0, std_width / 2), v(0, 0, 1), v(0, 1, 0), 2);
        add(out, v(0, 0, -std_width / 2), v(0, 0, -1), v(0, -1, 0), 2);
        return true;
    case 13: {
        const double e = 2.5 * std_width;
        add(out, v(0, e, 0), v(0, 1, 0), v(0, 0, 1), 3);
        add(out, v(0, -e, 0), v(0, -1, 0), v(0, 0, -1), 3);
        return true;
    }
    case 21:
    case 22:
    case 23:
    case 24:
    case 31:
    case 32:
    case 33:
    case 34:
        add(out, v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), 1);
        return true;
    case 41:
    case 42:
    case 43:
        truss_ports(out, safe_bay_count(param_int(b, 2)), v(std_width, std_height, param_value(b, 1)));
        return true;
    case 99: {
        // The test article is a variant-2 truss of std_count bays, twice as wide.
        const Vec3 dims = v(2 * std_width, std_height, std_length);
        const long double n = std_count;
        add(out, v(0, 0, static_cast<double>(n * dims.z / 2)), v(0, 0, 1), v(0, 1, 0), 1);
        add(out, v(dims.x / 2, 0, 0), v(1, 0, 0), v(0, 1, 0), 1);
        add(out, v(0, dims.y / 2, 0), v(0, 1, 0), v(0, 0, 1), 1);
        return true;
    }
    case 51:
    case 52:
    case 53:
    case 54:
    case 55: {
        const double len = t == 53 ? 6.0 : param_value(b, 3);
        if (t == 55) {
            add(out, v(0, 0, -len / 2), v(0, 0, -1), v(0, -1, 0), 10);
            add(out, v(0, 0, len / 11), v(0, 0, 1), v(0, 1, 0), 11);
            return true;
        }
        double s = 6.0 / 2;
        if (t == 52) s = 4 * 6.0 / 12;
        if (t == 54) s = (6.0 - 0.5) / 2;
        habitat_ports(out, t, len, s);
        return true;
    }
    case 61:
    case 62:
        add(out, v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), t == 61 ? 2 : 3);
        add(out, v(0, 0, param_value(b, 1)), v(0, 0, 1), v(0, 1, 0), 1);
        return true;
    case 71:
    case 72:
        add(out, v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), 1);
        add(out, v(0, 0, param_value(b, 1)), v(0, 0, 1), v(0, 1, 0), 1);
        return true;
    case 81:
    case 82:
        add(out, v(0, 0, 0), v(0, 0, -1), v(0, 1, 0), t - 81 + 2);
        add(out, v(0, 0, param_value(b, 1) + 2.5), v(0, 0, 1), v(0, 1, 0), 11);
        return true;
    default:
        return false;
    }
}

}  // namespace quilbet
