// The test host's description blobs.
#include "station_blobs.hpp"

#include <cstring>
#include <fstream>
#include <iterator>

namespace host {

namespace {

constexpr int32_t blob_magic = 0x01010101;

// Type ids of the catalogue.
enum : int32_t {
    power_wing_a = 11, power_wing_c = 13,
    solar_panel_a = 31,
    truss_a = 41,
    hab_a = 51, hab_b = 52, hab_node_a = 53, hab_c = 54, dg_hab_port = 55,
    tank_a = 71, tank_b = 72,
    dg_aux_port_a = 81, dg_aux_port_b = 82,
};

// Truss_A ports: 0 and 1 the ends, then per bay i: 2 + 4i (+x), 3 + 4i (-x), 4 + 4i (+y), 5 + 4i (-y).
constexpr int32_t truss_plus_x(int32_t bay) { return 2 + 4 * bay; }
constexpr int32_t truss_minus_x(int32_t bay) { return 3 + 4 * bay; }
constexpr int32_t truss_plus_y(int32_t bay) { return 4 + 4 * bay; }

}  // namespace

int32_t StationBlob::add(int32_t type, std::vector<std::pair<int32_t, double>> params, int32_t port_entries) {
    blocks_.push_back({type, std::move(params), port_entries, {}});
    return static_cast<int32_t>(blocks_.size()) - 1;
}

void StationBlob::link(int32_t a, int32_t pa, int32_t b, int32_t pb) {
    blocks_[static_cast<std::size_t>(a)].links[pa] = {b, pb};
    blocks_[static_cast<std::size_t>(b)].links[pb] = {a, pa};
}

std::vector<int32_t> StationBlob::words() const {
    std::vector<int32_t> w{blob_magic, static_cast<int32_t>(blocks_.size())};
    for (std::size_t id = 0; id < blocks_.size(); ++id) {
        const Block& b = blocks_[id];
        const int32_t linked = b.links.empty() ? 0 : b.links.rbegin()->first + 1;
        const int32_t q = linked > b.port_entries ? linked : b.port_entries;
        w.insert(w.end(), {static_cast<int32_t>(id), b.type, static_cast<int32_t>(b.params.size()), q});
        for (const auto& [pid, v] : b.params) {
            int32_t halves[2];
            std::memcpy(halves, &v, 8);
            w.insert(w.end(), {pid, halves[0], halves[1]});
        }
        for (int32_t k = 0; k < q; ++k) {
            const auto it = b.links.find(k);
            if (it == b.links.end()) {
                w.push_back(0);
            } else {
                w.insert(w.end(), {1, it->second.first, it->second.second});
            }
        }
    }
    return w;
}

std::vector<int32_t> checks_station() {
    StationBlob s;
    const int32_t truss = s.add(truss_a, {}, 30);
    const int32_t tank = s.add(tank_a, {{1, 12.0}}, 2);
    const int32_t aux = s.add(dg_aux_port_a, {{1, 6.0}}, 2);
    const int32_t hab = s.add(hab_a, {}, 6);
    const int32_t dock = s.add(dg_hab_port, {}, 2);
    const int32_t panel = s.add(solar_panel_a, {}, 1);
    s.link(truss, 0, tank, 0);
    s.link(truss, 1, hab, 2);
    s.link(truss, 2, aux, 0);
    s.link(hab, 0, dock, 0);
    s.link(hab, 4, panel, 0);
    return s.words();
}

std::vector<int32_t> every_style_station() {
    StationBlob s;
    const int32_t node = s.add(hab_node_a);  // ridges, noise, stripes
    const int32_t first = s.add(hab_a);      // styles 7 and 0
    const int32_t second = s.add(hab_b);     // styles 7 and 2
    const int32_t third = s.add(hab_c);      // style 6 and style 3 at 256
    const int32_t dock = s.add(dg_hab_port); // styles 8 and 1
    s.link(node, 0, first, 1);
    s.link(node, 1, second, 0);
    s.link(node, 2, third, 1);
    s.link(node, 3, dock, 0);
    const int32_t striped = s.add(tank_a);   // stripes
    const int32_t plated = s.add(tank_b);    // style 6 at 128
    s.link(first, 2, striped, 0);
    s.link(striped, 1, plated, 0);
    // Cells of panel types 0 to 3.
    const std::pair<int32_t, int32_t> mounts[4] = {{first, 3}, {second, 2}, {second, 3}, {third, 2}};
    for (int32_t k = 0; k < 4; ++k) s.link(mounts[k].first, mounts[k].second, s.add(solar_panel_a + k), 0);
    return s.words();
}

std::vector<int32_t> eleven_block_station() {
    StationBlob s;
    const int32_t truss = s.add(truss_a);
    const int32_t first = s.add(hab_a);
    const int32_t second = s.add(hab_b);
    const int32_t node = s.add(hab_node_a);
    const int32_t third = s.add(hab_c);
    s.link(truss, 0, first, 3);
    s.link(first, 0, second, 1);
    s.link(second, 0, node, 1);
    s.link(node, 2, third, 1);
    s.link(truss, truss_plus_x(1), s.add(power_wing_a, {{1, 1.0}}), 3);
    s.link(truss, truss_minus_x(5), s.add(power_wing_a, {{1, 2.0}}), 2);
    const int32_t tank = s.add(tank_a);
    s.link(truss, 1, tank, 1);
    s.link(tank, 0, s.add(tank_b), 1);
    s.link(truss, truss_plus_y(0), s.add(dg_aux_port_b), 0);
    s.link(truss, truss_plus_x(3), s.add(dg_aux_port_a), 0);
    return s.words();
}

std::vector<int32_t> power_wing_row(int count) {
    StationBlob s;
    int32_t previous = s.add(power_wing_c);
    for (int k = 1; k < count; ++k) {
        const int32_t next = s.add(power_wing_c);
        s.link(previous, 0, next, 1);  // +y side port to -y side port
        previous = next;
    }
    return s.words();
}

std::vector<int32_t> block_row(int count, int32_t type, std::vector<std::pair<int32_t, double>> params,
                               int32_t port_entries) {
    StationBlob s;
    int32_t previous = s.add(type, params, port_entries);
    for (int k = 1; k < count; ++k) {
        const int32_t next = s.add(type, params, port_entries);
        s.link(previous, 0, next, 1);
        previous = next;
    }
    return s.words();
}

std::vector<int32_t> read_blob(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return {};
    if (bytes.empty() || bytes.size() % 4 != 0) return {};
    std::vector<int32_t> w(bytes.size() / 4);
    std::memcpy(w.data(), bytes.data(), bytes.size());
    return w;
}

}  // namespace host
