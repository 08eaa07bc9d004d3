// Whole-station checks of a description: records, parameters, port entries,
// links, tree shape (union-find for cycles, breadth-first walk from the root
// for reachability) and hard limits.
#include "station/validate.hpp"

#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

#include "entry/limits.hpp"
#include "entry/station_budget.hpp"

namespace quilbet {
namespace {

std::string number_text(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

struct BlockState {
    int32_t type = -1;               // index into types(), -1 unknown
    bool ports_known = false;
    std::vector<PortInfo> ports;
};

class UnionFind {
public:
    explicit UnionFind(size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
    size_t find(size_t a) {
        while (parent_[a] != a) a = parent_[a] = parent_[parent_[a]];
        return a;
    }
    // False when a and b were joined already.
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

}  // namespace

std::string block_count_problem(int64_t count) {
    if (count < 1) return "block count " + std::to_string(count) + " is below 1";
    if (count > max_block_count) {
        return "block count " + std::to_string(count) + " exceeds the limit of " + std::to_string(max_block_count);
    }
    return "";
}

void validate_station(const BlobStation& st, const TypeSource& types, const BlockNamer& name_of,
                      Diagnostics& diag) {
    const auto& tlist = types.types();
    if (const std::string p = block_count_problem(st.block_count); !p.empty()) {
        diag.error("station: " + p);
        return;
    }
    if (st.records.empty()) {
        diag.error("station: no blocks");
        return;
    }

    // Slots: every record names a distinct slot within 0 .. N - 1.
    std::map<int32_t, size_t> record_of;   // slot -> record index
    std::vector<bool> record_ok(st.records.size(), false);
    for (size_t i = 0; i < st.records.size(); ++i) {
        const BlobRecord& r = st.records[i];
        const std::string who = "block \"" + name_of(r.id) + "\"";
        if (r.id < 0 || r.id >= st.block_count) {
            diag.error(who + ": block id " + std::to_string(r.id) + " lies outside 0 to " +
                       std::to_string(st.block_count - 1));
            continue;
        }
        if (record_of.count(r.id) != 0) {
            diag.error(who + ": block id " + std::to_string(r.id) + " is used by two blocks");
            continue;
        }
        if (r.params.size() > static_cast<size_t>(max_record_params)) {
            diag.error(who + ": " + std::to_string(r.params.size()) + " parameter entries exceed the limit of " +
                       std::to_string(max_record_params));
            continue;
        }
        if (r.ports.size() > static_cast<size_t>(max_record_ports)) {
            diag.error(who + ": " + std::to_string(r.ports.size()) + " port entries exceed the limit of " +
                       std::to_string(max_record_ports));
            continue;
        }
        record_of[r.id] = i;
        record_ok[i] = true;
    }

    std::vector<BlockState> state(st.records.size());
    auto label = [&](size_t i) {
        const BlobRecord& r = st.records[i];
        std::string s = "block \"" + name_of(r.id) + "\"";
        if (state[i].type >= 0) s += " (" + tlist[static_cast<size_t>(state[i].type)].name + ")";
        return s;
    };

    // Types and parameters.
    for (size_t i = 0; i < st.records.size(); ++i) {
        if (!record_ok[i]) continue;
        const BlobRecord& r = st.records[i];
        state[i].type = types.find_btype(r.btype);
        if (state[i].type < 0) {
            diag.error(label(i) + ", type: unknown type id " + std::to_string(r.btype));
            continue;
        }
        const TypeInfo& t = tlist[static_cast<size_t>(state[i].type)];
        bool params_ok = true;
        std::set<int32_t> seen;
        for (const BlobParam& p : r.params) {
            const ParamInfo* info = nullptr;
            for (const ParamInfo& q : t.params) {
                if (q.id == p.id) {
                    info = &q;
                    break;
                }
            }
            if (info == nullptr) {
                std::string known;
                for (const ParamInfo& q : t.params) {
                    known += (known.empty() ? "" : ", ") + std::to_string(q.id) + " \"" + q.name + "\"";
                }
                diag.error(label(i) + ", parameter id " + std::to_string(p.id) + ": " + t.name +
                           " has no such parameter" + (known.empty() ? " (it has none)" : " (it has " + known + ")"));
                params_ok = false;
                continue;
            }
            const std::string where = label(i) + ", parameter \"" + info->name + "\"";
            if (!seen.insert(p.id).second) {
                diag.error(where + ": given more than once");
                params_ok = false;
                continue;
            }
            if (const std::string lim = hard_limit_problem(*info, p.value); !lim.empty()) {
                diag.error(where + ": " + lim);
                params_ok = false;
                continue;
            }
            if (info->kind == ParamKind::whole && p.value != std::nearbyint(p.value)) {
                diag.warning(where + ": " + number_text(p.value) + " is not a whole number; it is read as " +
                             number_text(std::nearbyint(p.value)));
            }
            if (info->kind != ParamKind::on_off && (p.value < info->min || p.value > info->max)) {
                diag.warning(where + ": " + number_text(p.value) + " lies outside the catalogue range " +
                             number_text(info->min) + " to " + number_text(info->max));
            }
        }
        if (params_ok) {
            state[i].ports = types.instance_ports(static_cast<size_t>(state[i].type), r.params);
            state[i].ports_known = true;
        }
    }

    // The station budget, over the blocks whose type and parameters are sound.
    BuildFigures figures;
    for (size_t i = 0; i < st.records.size(); ++i) {
        if (state[i].ports_known) figures += types.instance_figures(static_cast<size_t>(state[i].type), st.records[i].params);
    }
    if (const std::string p = station_budget_problem(figures); !p.empty()) diag.error(p);

    auto port_ref = [&](size_t i, size_t k) {
        std::string s = "\"";
        s += name_of(st.records[i].id);
        s += '.';
        s += std::to_string(k);
        s += '"';
        return s;
    };
    auto port_range = [&](size_t i) {
        const size_t n = state[i].ports.size();
        return n == 0 ? std::string("it has no ports") : "its ports are 0 to " + std::to_string(n - 1);
    };

    // Links, each judged once from its first side.
    std::set<std::pair<std::pair<size_t, size_t>, std::pair<size_t, size_t>>> judged;
    UnionFind joined(st.records.size());
    std::vector<std::vector<size_t>> neighbours(st.records.size());
    for (size_t i = 0; i < st.records.size(); ++i) {
        if (!record_ok[i] || state[i].type < 0) continue;
        const BlobRecord& r = st.records[i];
        for (size_t k = 0; k < r.ports.size(); ++k) {
            const BlobPort& e = r.ports[k];
            if (e.flag == 0) continue;
            const std::string where = label(i) + ", port " + std::to_string(k);
            if (e.flag != 1) {
                diag.error(where + ": link flag " + std::to_string(e.flag) + " (expected 0 or 1)");
                continue;
            }
            const auto target = record_of.find(e.block);
            if (target != record_of.end() &&
                judged.count({{target->second, static_cast<size_t>(std::max(e.port, 0))}, {i, k}}) != 0) {
                continue;   // judged from the other side
            }
            if (state[i].ports_known && k >= state[i].ports.size()) {
                diag.error(label(i) + " has no port " + std::to_string(k) + " (" + port_range(i) + ")");
                if (target != record_of.end()) {
                    judged.insert({{i, k}, {target->second, static_cast<size_t>(std::max(e.port, 0))}});
                    if (target->second != i && joined.join(i, target->second)) {
                        neighbours[i].push_back(target->second);
                        neighbours[target->second].push_back(i);
                    }
                }
                continue;
            }
            if (target == record_of.end()) {
                diag.error(where + ": linked to block id " + std::to_string(e.block) + ", which does not exist");
                continue;
            }
            const size_t j = target->second;
            if (j == i) {
                diag.error(where + ": linked to port " + std::to_string(e.port) + " of the same block");
                continue;
            }
            if (state[j].type < 0) continue;   // reported with that block
            const auto self = std::make_pair(i, k);
            const auto other = std::make_pair(j, static_cast<size_t>(std::max(e.port, 0)));
            if (judged.count({other, self}) != 0) continue;
            judged.insert({self, other});
            const std::string link = "link " + port_ref(i, k) + " - \"" + name_of(e.block) + "." +
                                     std::to_string(e.port) + "\"";
            // A faulty link still says that the user meant the two blocks to be
            // joined; joining them keeps the reachability check from repeating the fault.
            auto join_quietly = [&] {
                if (joined.join(i, j)) {
                    neighbours[i].push_back(j);
                    neighbours[j].push_back(i);
                }
            };
            if (e.port < 0 || (state[j].ports_known && static_cast<size_t>(e.port) >= state[j].ports.size())) {
                diag.error(link + ": " + label(j) + " has no port " + std::to_string(e.port) + " (" +
                           port_range(j) + ")");
                join_quietly();
                continue;
            }
            const BlobRecord& rj = st.records[j];
            const size_t pj = static_cast<size_t>(e.port);
            const bool back = pj < rj.ports.size() && rj.ports[pj].flag == 1 && rj.ports[pj].block == r.id &&
                              rj.ports[pj].port == static_cast<int32_t>(k);
            if (!back) {
                std::string holds = "free";
                if (pj < rj.ports.size() && rj.ports[pj].flag != 0) {
                    holds = "linked to \"" + name_of(rj.ports[pj].block) + "." + std::to_string(rj.ports[pj].port) + "\"";
                }
                diag.error(link + ": port " + port_ref(j, pj) + " is " + holds +
                           ", so the link is one-sided (a port links to one other port only)");
                join_quietly();
                continue;
            }
            // A link of differing kinds is still a link: it joins the blocks for
            // the tree checks below, so it is reported once, here.
            if (state[i].ports_known && state[j].ports_known && state[i].ports[k].kind != state[j].ports[pj].kind) {
                diag.error(link + ": port kinds differ (" + port_ref(i, k) + " is kind " +
                           std::to_string(static_cast<int32_t>(state[i].ports[k].kind)) + ", " + port_ref(j, pj) + " is kind " +
                           std::to_string(static_cast<int32_t>(state[j].ports[pj].kind)) + "; only ports of the same kind fit)");
            }
            if (!joined.join(i, j)) {
                const std::string rule = "links must form a tree, because each block is placed once from the root";
                if (diag.full()) {
                    diag.error(link + ": closes a cycle; " + rule);
                    continue;
                }
                // The way the tree already joins the two blocks, for the message.
                std::vector<size_t> from(st.records.size(), SIZE_MAX);
                std::vector<size_t> todo{i};
                from[i] = i;
                for (size_t next = 0; next < todo.size() && from[j] == SIZE_MAX; ++next) {
                    const size_t b = todo[next];
                    for (size_t n : neighbours[b]) {
                        if (from[n] == SIZE_MAX) {
                            from[n] = b;
                            todo.push_back(n);
                        }
                    }
                }
                std::string loop;
                for (size_t b = j; from[b] != SIZE_MAX; b = from[b]) {
                    loop = "\"" + name_of(st.records[b].id) + "\"" + (loop.empty() ? "" : " - ") + loop;
                    if (b == i) break;
                }
                diag.error(link + ": closes a cycle (" + loop + " are already joined through other links); " + rule);
                continue;
            }
            neighbours[i].push_back(j);
            neighbours[j].push_back(i);
        }
    }

    // Reachability from the root, one message per detached group of blocks.
    if (!record_ok[0]) return;
    std::vector<bool> reached(st.records.size(), false);
    std::vector<size_t> todo{0};
    reached[0] = true;
    while (!todo.empty()) {
        const size_t b = todo.back();
        todo.pop_back();
        for (size_t n : neighbours[b]) {
            if (!reached[n]) {
                reached[n] = true;
                todo.push_back(n);
            }
        }
    }
    std::map<size_t, std::vector<size_t>> detached;   // group representative -> blocks
    for (size_t i = 0; i < st.records.size(); ++i) {
        if (record_ok[i] && !reached[i]) detached[joined.find(i)].push_back(i);
    }
    for (const auto& [rep, group] : detached) {
        (void)rep;
        std::string names;
        for (size_t i : group) names += (names.empty() ? "" : ", ") + label(i);
        diag.error(names + (group.size() == 1 ? " is" : " are") + " not connected to the root " + label(0) +
                   " (the first block); link it to the station or remove it");
    }
}

}  // namespace quilbet
