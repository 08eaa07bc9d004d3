// Whole-station checks of a description, in phases: slots, types and
// parameters, the station budget, links (union-find for cycles, with the path
// that closes one found breadth-first for the message), reachability from the
// root.
#include "station/validate.hpp"

#include <cmath>
#include <map>
#include <set>
#include <sstream>

#include "entry/limits.hpp"
#include "entry/station_budget.hpp"
#include "station/message_place.hpp"
#include "station/union_find.hpp"

namespace quilbet {
namespace {

std::string number_text(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

struct BlockState {
    bool record_ok = false;               // slot and entry counts sound
    const BlockTypeSpec* type = nullptr;  // null: unknown (or the record was refused)
    bool ports_known = false;             // parameters sound, ports worked out
    std::vector<PortDef> ports;
};

using PortAt = std::pair<size_t, size_t>;   // (record, port)

class StationCheck {
public:
    StationCheck(const BlobStation& st, const BlockNamer& name_of, Diagnostics& diag)
        : st_(st), name_of_(name_of), diag_(diag), state_(st.records.size()), joined_(st.records.size()),
          neighbours_(st.records.size()) {}

    void check_slots();
    void check_types_and_params();
    void check_budget();
    void check_links();
    void check_reachability();

private:
    std::string label(size_t i) const {
        return block_place(name_of_(st_.records[i].id), state_[i].type != nullptr ? state_[i].type->name : "");
    }
    std::string port_of(size_t i, size_t k) const { return port_ref(name_of_(st_.records[i].id), k); }
    std::string port_range(size_t i) const {
        const size_t n = state_[i].ports.size();
        return n == 0 ? std::string("it has no ports") : "its ports are 0 to " + std::to_string(n - 1);
    }
    bool check_param(const BlockTypeSpec& t, size_t i, const BlobParam& p, std::set<int32_t>& seen);
    void check_link(size_t i, size_t k);
    // A faulty link still says that the user meant the two blocks to be
    // joined; joining them keeps the reachability check from repeating the fault.
    void join(size_t i, size_t j) {
        if (joined_.join(i, j)) {
            neighbours_[i].push_back(j);
            neighbours_[j].push_back(i);
        }
    }
    std::string cycle_path(size_t i, size_t j) const;

    const BlobStation& st_;
    const BlockNamer& name_of_;
    Diagnostics& diag_;
    std::vector<BlockState> state_;
    std::map<int32_t, size_t> record_of_;   // slot -> record index
    std::set<std::pair<PortAt, PortAt>> judged_;
    UnionFind joined_;
    std::vector<std::vector<size_t>> neighbours_;
};

// Every record names a distinct slot within 0 .. N - 1 and stays within the entry limits.
void StationCheck::check_slots() {
    for (size_t i = 0; i < st_.records.size(); ++i) {
        const BlobRecord& r = st_.records[i];
        const std::string who = block_place(name_of_(r.id));
        if (r.id < 0 || r.id >= st_.block_count) {
            diag_.error(who + ": block id " + std::to_string(r.id) + " lies outside 0 to " +
                        std::to_string(st_.block_count - 1));
        } else if (record_of_.count(r.id) != 0) {
            diag_.error(who + ": block id " + std::to_string(r.id) + " is used by two blocks");
        } else if (r.params.size() > static_cast<size_t>(max_record_params)) {
            diag_.error(who + ": " + std::to_string(r.params.size()) + " parameter entries exceed the limit of " +
                        std::to_string(max_record_params));
        } else if (r.ports.size() > static_cast<size_t>(max_record_ports)) {
            diag_.error(who + ": " + std::to_string(r.ports.size()) + " port entries exceed the limit of " +
                        std::to_string(max_record_ports));
        } else {
            record_of_[r.id] = i;
            state_[i].record_ok = true;
        }
    }
}

// One parameter entry; false when the block cannot be built from it.
bool StationCheck::check_param(const BlockTypeSpec& t, size_t i, const BlobParam& p, std::set<int32_t>& seen) {
    const ParamSpec* info = t.param(p.id);
    if (info == nullptr) {
        std::string known;
        for (const ParamSpec& q : t.params) known += (known.empty() ? "" : ", ") + std::to_string(q.id) + " " + in_quotes(q.name);
        diag_.error(label(i) + ", parameter id " + std::to_string(p.id) + ": " + t.name + " has no such parameter" +
                    (known.empty() ? " (it has none)" : " (it has " + known + ")"));
        return false;
    }
    const std::string where = param_place(label(i), info->name);
    if (!seen.insert(p.id).second) {
        diag_.error(where + ": given more than once");
        return false;
    }
    if (const std::string lim = hard_limit_problem(*info, p.value); !lim.empty()) {
        diag_.error(where + ": " + lim);
        return false;
    }
    if (info->kind == ParamKind::whole && p.value != std::nearbyint(p.value)) {
        diag_.warning(where + ": " + number_text(p.value) + " is not a whole number; it is read as " +
                      number_text(std::nearbyint(p.value)));
    }
    if (info->kind != ParamKind::on_off && (p.value < info->min || p.value > info->max)) {
        diag_.warning(where + ": " + number_text(p.value) + " lies outside the catalogue range " +
                      number_text(info->min) + " to " + number_text(info->max));
    }
    return true;
}

void StationCheck::check_types_and_params() {
    for (size_t i = 0; i < st_.records.size(); ++i) {
        if (!state_[i].record_ok) continue;
        const BlobRecord& r = st_.records[i];
        state_[i].type = find_block_type(r.btype);
        if (state_[i].type == nullptr) {
            diag_.error(label(i) + ", type: unknown type id " + std::to_string(r.btype));
            continue;
        }
        const BlockTypeSpec& t = *state_[i].type;
        bool params_ok = true;
        std::set<int32_t> seen;
        for (const BlobParam& p : r.params) params_ok = check_param(t, i, p, seen) && params_ok;
        if (params_ok) {
            state_[i].ports = instance_ports(t, r.params);
            state_[i].ports_known = true;
        }
    }
}

// The station budget, over the blocks whose type and parameters are sound.
void StationCheck::check_budget() {
    BuildFigures figures;
    for (size_t i = 0; i < st_.records.size(); ++i) {
        if (state_[i].ports_known) figures += instance_figures(*state_[i].type, st_.records[i].params);
    }
    if (const std::string p = station_budget_problem(figures); !p.empty()) diag_.error(p);
}

// The blocks on the way the tree already joins i to j, for the message.
std::string StationCheck::cycle_path(size_t i, size_t j) const {
    std::vector<size_t> from(st_.records.size(), SIZE_MAX);
    std::vector<size_t> todo{i};
    from[i] = i;
    for (size_t next = 0; next < todo.size() && from[j] == SIZE_MAX; ++next) {
        const size_t b = todo[next];
        for (size_t n : neighbours_[b]) {
            if (from[n] == SIZE_MAX) {
                from[n] = b;
                todo.push_back(n);
            }
        }
    }
    std::string loop;
    for (size_t b = j; from[b] != SIZE_MAX; b = from[b]) {
        loop = in_quotes(name_of_(st_.records[b].id)) + (loop.empty() ? "" : " - ") + loop;
        if (b == i) break;
    }
    return loop;
}

// Port k of record i, judged once from the side met first.
void StationCheck::check_link(size_t i, size_t k) {
    const BlobRecord& r = st_.records[i];
    const BlobPort& e = r.ports[k];
    const std::string where = label(i) + ", port " + std::to_string(k);
    if (e.flag != 1) {
        diag_.error(where + ": link flag " + std::to_string(e.flag) + " (expected 0 or 1)");
        return;
    }
    const auto target = record_of_.find(e.block);
    const size_t far_port = static_cast<size_t>(std::max(e.port, 0));
    if (target != record_of_.end() && judged_.count({{target->second, far_port}, {i, k}}) != 0) return;
    if (state_[i].ports_known && k >= state_[i].ports.size()) {
        diag_.error(label(i) + " has no port " + std::to_string(k) + " (" + port_range(i) + ")");
        if (target != record_of_.end()) {
            judged_.insert({{i, k}, {target->second, far_port}});
            if (target->second != i) join(i, target->second);
        }
        return;
    }
    if (target == record_of_.end()) {
        diag_.error(where + ": linked to block id " + std::to_string(e.block) + ", which does not exist");
        return;
    }
    const size_t j = target->second;
    if (j == i) {
        diag_.error(where + ": linked to port " + std::to_string(e.port) + " of the same block");
        return;
    }
    if (state_[j].type == nullptr) return;   // reported with that block
    const PortAt self{i, k}, other{j, far_port};
    if (judged_.count({other, self}) != 0) return;
    judged_.insert({self, other});
    const std::string link = "link " + port_of(i, k) + " - " + in_quotes(name_of_(e.block) + "." + std::to_string(e.port));
    if (e.port < 0 || (state_[j].ports_known && static_cast<size_t>(e.port) >= state_[j].ports.size())) {
        diag_.error(link + ": " + label(j) + " has no port " + std::to_string(e.port) + " (" + port_range(j) + ")");
        join(i, j);
        return;
    }
    const BlobRecord& rj = st_.records[j];
    const size_t pj = static_cast<size_t>(e.port);
    const bool back = pj < rj.ports.size() && rj.ports[pj].flag == 1 && rj.ports[pj].block == r.id &&
                      rj.ports[pj].port == static_cast<int32_t>(k);
    if (!back) {
        std::string holds = "free";
        if (pj < rj.ports.size() && rj.ports[pj].flag != 0) {
            holds = "linked to " + in_quotes(name_of_(rj.ports[pj].block) + "." + std::to_string(rj.ports[pj].port));
        }
        diag_.error(link + ": port " + port_of(j, pj) + " is " + holds +
                    ", so the link is one-sided (a port links to one other port only)");
        join(i, j);
        return;
    }
    // A link of differing kinds is still a link: it joins the blocks for the
    // tree checks below, so it is reported once, here.
    if (state_[i].ports_known && state_[j].ports_known && state_[i].ports[k].kind != state_[j].ports[pj].kind) {
        diag_.error(link + ": port kinds differ (" + port_of(i, k) + " is kind " +
                    std::to_string(static_cast<int32_t>(state_[i].ports[k].kind)) + ", " + port_of(j, pj) + " is kind " +
                    std::to_string(static_cast<int32_t>(state_[j].ports[pj].kind)) + "; only ports of the same kind fit)");
    }
    if (joined_.join(i, j)) {
        neighbours_[i].push_back(j);
        neighbours_[j].push_back(i);
        return;
    }
    const std::string rule = "links must form a tree, because each block is placed once from the root";
    if (diag_.full()) {
        diag_.error(link + ": closes a cycle; " + rule);
    } else {
        diag_.error(link + ": closes a cycle (" + cycle_path(i, j) + " are already joined through other links); " + rule);
    }
}

void StationCheck::check_links() {
    for (size_t i = 0; i < st_.records.size(); ++i) {
        if (!state_[i].record_ok || state_[i].type == nullptr) continue;
        for (size_t k = 0; k < st_.records[i].ports.size(); ++k) {
            if (st_.records[i].ports[k].flag != 0) check_link(i, k);
        }
    }
}

// One message per group of blocks that no link joins to the root.
void StationCheck::check_reachability() {
    if (!state_[0].record_ok) return;
    std::vector<bool> reached(st_.records.size(), false);
    std::vector<size_t> todo{0};
    reached[0] = true;
    while (!todo.empty()) {
        const size_t b = todo.back();
        todo.pop_back();
        for (size_t n : neighbours_[b]) {
            if (!reached[n]) {
                reached[n] = true;
                todo.push_back(n);
            }
        }
    }
    std::map<size_t, std::vector<size_t>> detached;   // group representative -> blocks
    for (size_t i = 0; i < st_.records.size(); ++i) {
        if (state_[i].record_ok && !reached[i]) detached[joined_.find(i)].push_back(i);
    }
    for (const auto& [rep, group] : detached) {
        (void)rep;
        std::string names;
        for (size_t i : group) names += (names.empty() ? "" : ", ") + label(i);
        diag_.error(names + (group.size() == 1 ? " is" : " are") + " not connected to the root " + label(0) +
                    " (the first block); link it to the station or remove it");
    }
}

}  // namespace

std::string block_count_problem(int64_t count) {
    if (count < 1) return "block count " + std::to_string(count) + " is below 1";
    if (count > max_block_count) {
        return "block count " + std::to_string(count) + " exceeds the limit of " + std::to_string(max_block_count);
    }
    return "";
}

void validate_station(const BlobStation& st, const BlockNamer& name_of, Diagnostics& diag) {
    if (const std::string p = block_count_problem(st.block_count); !p.empty()) {
        diag.error("station: " + p);
        return;
    }
    if (st.records.empty()) {
        diag.error("station: no blocks");
        return;
    }
    StationCheck check(st, name_of, diag);
    check.check_slots();
    check.check_types_and_params();
    check.check_budget();
    check.check_links();
    check.check_reachability();
}

}  // namespace quilbet
