// Station description JSON <-> blob records.
#include "station/station_json.hpp"

#include "station/bounded_json.hpp"
#include "station/validate.hpp"

#include "entry/limits.hpp"

#include <cmath>
#include <cstring>
#include <set>

namespace quilbet {
namespace {

using ojson = nlohmann::ordered_json;

// A name, key or id in quotes, cut short when it is long.
std::string in_quotes(const std::string& s) { return "\"" + text_excerpt(s) + "\""; }

bool all_digits(const std::string& s) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string suggestion(const std::string& name, const std::vector<std::string>& candidates) {
    const std::string best = closest_name(name, candidates);
    return best.empty() ? std::string() : "; did you mean " + in_quotes(best) + "?";
}

void check_keys(const ojson& obj, const std::vector<std::string>& allowed, const std::string& where,
                Diagnostics& diag) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool ok = false;
        for (const std::string& a : allowed) ok = ok || a == it.key();
        if (!ok) diag.error(where + ": unknown key " + in_quotes(it.key()) + suggestion(it.key(), allowed));
    }
}

// The start of a value's JSON text for a message.
std::string shown(const ojson& v) { return json_excerpt(v); }

// The parser's message from "parse error" on.
std::string syntax_message(const std::string& what) {
    const size_t cut = what.find("parse error");
    return "JSON syntax: " + (cut == std::string::npos ? what : what.substr(cut));
}

// Duplicate keys would silently overwrite each other; the parser callback notes them.
struct KeyFrame {
    std::set<std::string> keys;
    std::string context;
    std::string last_key;
    std::string id;   // the "id" of the object, once read
};

// Where the parser stood: block "core", parameter "Length" or the station key.
std::string parse_position(const std::vector<KeyFrame>& frames) {
    std::string block;
    for (const KeyFrame& f : frames) {
        if (!f.id.empty()) block = f.id;
    }
    if (frames.empty()) return "station";
    const KeyFrame& inner = frames.back();
    std::string where = block.empty() ? std::string("station") : "block " + block;
    if (inner.context == "params") return where + ", parameter " + in_quotes(inner.last_key);
    if (!inner.last_key.empty()) where += ", " + text_excerpt(inner.last_key);
    return where;
}

struct PortRef {
    int32_t slot = -1;
    int32_t port = -1;
    std::string text;
};

}  // namespace

nlohmann::ordered_json vec_json(Vec3 v) { return nlohmann::ordered_json::array({v.x, v.y, v.z}); }

bool parse_station_json(std::string_view text, const TypeSource& types, StationText& out, Diagnostics& diag) {
    out = StationText{};
    const size_t errors_before = diag.error_count();
    std::vector<KeyFrame> frames;
    std::vector<std::pair<std::string, std::string>> doubled;   // (context, key)
    ojson::parser_callback_t watch = [&](int, nlohmann::json::parse_event_t ev, ojson& parsed) {
        using E = nlohmann::json::parse_event_t;
        if (ev == E::object_start || ev == E::array_start) {
            KeyFrame f;
            f.context = frames.empty() ? std::string() : frames.back().last_key;
            frames.push_back(std::move(f));
        } else if (ev == E::object_end || ev == E::array_end) {
            if (!frames.empty()) frames.pop_back();
        } else if (ev == E::key && !frames.empty()) {
            const std::string k = parsed.get<std::string>();
            if (!frames.back().keys.insert(k).second) doubled.emplace_back(frames.back().context, k);
            frames.back().last_key = k;
        } else if (ev == E::value && !frames.empty() && frames.back().last_key == "id" && frames.back().id.empty()) {
            frames.back().id = json_excerpt(parsed);
        }
        return true;
    };
    // Nesting and size are checked in one pass before the value is built.
    const std::string_view body = without_bom(text);
    const JsonCheck checked = check_json_text(body);
    if (checked.kind != JsonCheck::ok) {
        diag.error(checked.kind == JsonCheck::syntax ? syntax_message(checked.message) : checked.message);
        return false;
    }
    ojson doc;
    try {
        doc = ojson::parse(body.begin(), body.end(), watch, true, true);
    } catch (const nlohmann::json::parse_error& e) {
        diag.error(syntax_message(short_parse_message(e.what())));
        return false;
    } catch (const nlohmann::json::out_of_range& e) {
        // A number too large for a 64-bit float (1e400).
        std::string what = short_parse_message(e.what());
        const size_t quote = what.find('\'');
        const std::string number = quote == std::string::npos ? what : what.substr(quote);
        diag.error(parse_position(frames) + ": the number " + number + " does not fit a 64-bit floating-point value");
        return false;
    }
    for (const auto& [context, key] : doubled) {
        if (context == "links") {
            diag.error("links: port " + in_quotes(key) + " is linked twice (it appears twice as a key)");
        } else {
            diag.error((context.empty() ? std::string("station") : text_excerpt(context)) + ": key " + in_quotes(key) +
                       " is given twice");
        }
    }
    if (!doc.is_object()) {
        diag.error("station: the description must be a JSON object with \"blocks\" and \"links\"");
        return false;
    }
    check_keys(doc, {"$schema", "name", "comment", "blocks", "links", "block_count"}, "station", diag);
    if (!doc.contains("blocks") || !doc["blocks"].is_array() || doc["blocks"].empty()) {
        diag.error("station, blocks: expected a non-empty list of blocks (the first one is the root)");
        return false;
    }
    if (doc.contains("name") && doc["name"].is_string()) out.title = doc["name"].get<std::string>();
    if (doc.contains("$schema") && doc["$schema"].is_string()) out.schema = doc["$schema"].get<std::string>();
    const ojson& blocks = doc["blocks"];
    const auto& tlist = types.types();
    std::vector<std::string> type_names;
    for (const TypeInfo& t : tlist) type_names.push_back(t.name);

    // Ids and slots.
    bool numeric_ids = false, named_ids = false;
    for (const ojson& b : blocks) {
        if (b.is_object() && b.contains("id")) {
            numeric_ids = numeric_ids || b["id"].is_number_integer();
            named_ids = named_ids || b["id"].is_string();
        }
    }
    if (numeric_ids && named_ids) {
        diag.error("blocks: ids must be all names or all numbers (numbers are block slots)");
        return false;
    }
    std::map<std::string, int32_t> slot_of;   // id text -> slot
    std::vector<std::string> id_texts;
    int32_t max_slot = -1;
    BlobStation& st = out.station;
    st.records.resize(blocks.size());
    std::vector<bool> usable(blocks.size(), false);
    std::vector<int32_t> type_index(blocks.size(), -1);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const ojson& b = blocks[i];
        const std::string pos = "blocks[" + std::to_string(i) + "]";
        if (!b.is_object()) {
            diag.error(pos + ": expected an object with \"id\" and \"type\"");
            continue;
        }
        std::string id_text;
        int32_t slot = static_cast<int32_t>(i);
        if (!b.contains("id")) {
            diag.error(pos + ": missing \"id\"");
            continue;
        }
        const ojson& id = b["id"];
        if (id.is_string() && !id.get<std::string>().empty()) {
            id_text = id.get<std::string>();
        } else if (id.is_number_integer() && id.get<int64_t>() >= 0 && id.get<int64_t>() < 1000000) {
            slot = static_cast<int32_t>(id.get<int64_t>());
            id_text = std::to_string(slot);
        } else {
            diag.error(pos + ", id: " + shown(id) + " is neither a name nor a block number");
            continue;
        }
        const std::string who = "block " + in_quotes(id_text);
        if (!slot_of.emplace(id_text, slot).second) {
            diag.error(who + ", id: used by two blocks");
            continue;
        }
        id_texts.push_back(id_text);
        out.names[slot] = id_text;
        max_slot = std::max(max_slot, slot);
        st.records[i].id = slot;
        check_keys(b, {"id", "type", "params", "port_entries", "comment"}, who, diag);

        // Type.
        if (!b.contains("type")) {
            diag.error(who + ": missing \"type\"");
            continue;
        }
        const ojson& ty = b["type"];
        int32_t t = -1;
        if (ty.is_string()) {
            t = types.find_name(ty.get<std::string>());
            if (t < 0) {
                diag.error(who + ", type: unknown type " + in_quotes(ty.get<std::string>()) +
                           suggestion(ty.get<std::string>(), type_names));
                continue;
            }
        } else if (ty.is_number_integer()) {
            const int64_t v = ty.get<int64_t>();
            t = (v >= INT32_MIN && v <= INT32_MAX) ? types.find_btype(static_cast<int32_t>(v)) : -1;
            if (t < 0) {
                diag.error(who + ", type: unknown type id " + shown(ty));
                continue;
            }
        } else {
            diag.error(who + ", type: expected a type name or type id, not " + shown(ty));
            continue;
        }
        type_index[i] = t;
        const TypeInfo& info = tlist[static_cast<size_t>(t)];
        st.records[i].btype = info.btype;
        const std::string where = "block " + in_quotes(id_text) + " (" + info.name + ")";

        // Parameters, in the order written.
        bool params_ok = true;
        if (b.contains("params")) {
            const ojson& ps = b["params"];
            if (!ps.is_object()) {
                diag.error(where + ", params: expected an object of parameter names and values");
                continue;
            }
            std::vector<std::string> pnames;
            for (const ParamInfo& p : info.params) pnames.push_back(p.name);
            std::set<int32_t> seen;
            for (auto it = ps.begin(); it != ps.end(); ++it) {
                const std::string& key = it.key();
                const ParamInfo* pinfo = nullptr;
                for (const ParamInfo& p : info.params) {
                    const bool match = all_digits(key) ? std::to_string(p.id) == key
                                                       : key.size() == std::strlen(p.name) && name_distance(key, p.name) == 0;
                    if (match) {
                        pinfo = &p;
                        break;
                    }
                }
                if (pinfo == nullptr) {
                    std::string msg = where + ", parameter " + in_quotes(key) + ": unknown parameter";
                    const std::string sug = all_digits(key) ? std::string() : suggestion(key, pnames);
                    if (!sug.empty()) {
                        msg += sug;
                    } else if (pnames.empty()) {
                        msg += " (" + info.name + " has no parameters)";
                    } else {
                        std::string list;
                        for (const ParamInfo& p : info.params) list += (list.empty() ? "" : ", ") + in_quotes(p.name);
                        msg += " (" + info.name + " has " + list + ")";
                    }
                    diag.error(msg);
                    params_ok = false;
                    continue;
                }
                const std::string pwhere = where + ", parameter " + in_quotes(pinfo->name);
                if (!seen.insert(pinfo->id).second) {
                    diag.error(pwhere + ": given twice (by name and by id)");
                    params_ok = false;
                    continue;
                }
                const ojson& v = it.value();
                double value = 0;
                if (v.is_boolean()) {
                    if (pinfo->kind != ParamKind::on_off) {
                        diag.error(pwhere + ": true / false is only for switches; this parameter takes a number");
                        params_ok = false;
                        continue;
                    }
                    value = v.get<bool>() ? 1.0 : -1.0;
                } else if (v.is_number()) {
                    value = v.get<double>();
                } else {
                    diag.error(pwhere + ": expected " + (pinfo->kind == ParamKind::on_off ? "true or false" : "a number") +
                               ", not " + shown(v));
                    params_ok = false;
                    continue;
                }
                st.records[i].params.push_back({pinfo->id, value});
            }
        }
        if (b.contains("port_entries") && !(b["port_entries"].is_number_integer() && b["port_entries"].get<int64_t>() >= 0 &&
                                            b["port_entries"].get<int64_t>() <= 100000)) {
            diag.error(where + ", port_entries: expected a whole number of port entries");
            params_ok = false;
        }
        usable[i] = params_ok;
    }
    if (diag.error_count() > errors_before) return false;

    if (doc.contains("block_count")) {
        const ojson& n = doc["block_count"];
        if (!n.is_number_integer() || n.get<int64_t>() <= max_slot || n.get<int64_t>() > INT32_MAX) {
            diag.error("station, block_count: expected a whole number above the largest block number " +
                       std::to_string(max_slot));
            return false;
        }
        st.block_count = static_cast<int32_t>(n.get<int64_t>());
    } else {
        st.block_count = max_slot + 1;
    }

    // Links: each written once; both sides go into the records.
    std::map<std::pair<int32_t, int32_t>, std::string> used;   // (record, port) -> partner text
    std::vector<std::map<int32_t, BlobPort>> entries(blocks.size());
    std::map<int32_t, size_t> record_of;
    for (size_t i = 0; i < st.records.size(); ++i) record_of[st.records[i].id] = i;
    auto parse_ref = [&](const std::string& ref, PortRef& r) {
        const size_t dot = ref.rfind('.');
        const std::string where = "links, " + in_quotes(ref);
        if (dot == std::string::npos || !all_digits(ref.substr(dot + 1))) {
            diag.error(where + ": expected \"block.port\" with a port number, for example \"core.0\"");
            return false;
        }
        const std::string id = ref.substr(0, dot);
        const auto it = slot_of.find(id);
        if (it == slot_of.end()) {
            diag.error(where + ": no block has the id " + in_quotes(id) + suggestion(id, id_texts));
            return false;
        }
        r.slot = it->second;
        r.port = std::stoi(ref.substr(dot + 1));
        r.text = ref;
        // Port entries are written up to the highest linked port: refuse a
        // number no block can have before anything is sized by it.
        if (r.port >= max_record_ports) {
            diag.error(where + ": port " + std::to_string(r.port) + " is beyond the limit of " +
                       std::to_string(max_record_ports - 1) + " (no block has that many ports)");
            return false;
        }
        return true;
    };
    if (doc.contains("links")) {
        const ojson& links = doc["links"];
        if (!links.is_object()) {
            diag.error("station, links: expected an object of \"block.port\": \"block.port\" pairs");
            return false;
        }
        for (auto it = links.begin(); it != links.end(); ++it) {
            if (!it.value().is_string()) {
                diag.error("links, " + in_quotes(it.key()) + ": expected \"block.port\", not " + shown(it.value()));
                continue;
            }
            PortRef a, b;
            if (!parse_ref(it.key(), a) || !parse_ref(it.value().get<std::string>(), b)) continue;
            if (a.slot == b.slot) {
                diag.error("links, " + in_quotes(a.text) + ": linked to " + in_quotes(b.text) +
                           " of the same block");
                continue;
            }
            bool ok = true;
            for (const PortRef* p : {&a, &b}) {
                const PortRef* other = p == &a ? &b : &a;
                const auto key = std::make_pair(p->slot, p->port);
                const auto prev = used.find(key);
                if (prev != used.end()) {
                    diag.error("links: port " + in_quotes(p->text) + " is linked twice, to " + in_quotes(prev->second) +
                               " and to " + in_quotes(other->text));
                    ok = false;
                }
            }
            if (!ok) continue;
            used[{a.slot, a.port}] = b.text;
            used[{b.slot, b.port}] = a.text;
            entries[record_of[a.slot]][a.port] = BlobPort{1, b.slot, b.port};
            entries[record_of[b.slot]][b.port] = BlobPort{1, a.slot, a.port};
        }
    }
    if (diag.error_count() > errors_before) return false;

    // Port entries: one per port of the instance (or as many as asked for), free unless linked.
    for (size_t i = 0; i < st.records.size(); ++i) {
        BlobRecord& r = st.records[i];
        const ojson& b = blocks[i];
        size_t q = 0;
        if (b.contains("port_entries")) {
            q = static_cast<size_t>(b["port_entries"].get<int64_t>());
        } else {
            bool within_limits = true;
            const TypeInfo& info = tlist[static_cast<size_t>(std::max(type_index[i], 0))];
            for (const BlobParam& p : r.params) {
                for (const ParamInfo& pi : info.params) {
                    if (pi.id == p.id) within_limits = within_limits && hard_limit_problem(pi, p.value).empty();
                }
            }
            if (within_limits && usable[i]) q = types.instance_ports(static_cast<size_t>(type_index[i]), r.params).size();
        }
        if (!entries[i].empty()) {
            const size_t last = static_cast<size_t>(entries[i].rbegin()->first) + 1;
            if (b.contains("port_entries") && last > q) {
                diag.error("block " + in_quotes(out.names[r.id]) + ", port_entries: " + std::to_string(q) +
                           " entries leave out linked port " + std::to_string(last - 1));
                continue;
            }
            q = std::max(q, last);
        }
        r.ports.assign(q, BlobPort{0, -1, -1});
        for (const auto& [k, e] : entries[i]) r.ports[static_cast<size_t>(k)] = e;
    }
    return diag.error_count() == errors_before;
}

namespace {

// The JSON id of a slot: its name as written, or its number when names is
// null (ids are all names or all numbers, so either every block has a name or none).
ojson id_json(int32_t slot, const std::map<int32_t, std::string>* names) {
    if (names != nullptr) {
        const auto it = names->find(slot);
        return it != names->end() ? it->second : std::to_string(slot);
    }
    return slot;
}

std::string id_text(int32_t slot, const std::map<int32_t, std::string>* names) {
    const ojson id = id_json(slot, names);
    return id.is_string() ? id.get<std::string>() : std::to_string(slot);
}

ojson write_station(const BlobStation& st, const TypeSource& types, const std::map<int32_t, std::string>* names,
                    const std::string& schema, const std::string& title) {
    ojson doc = ojson::object();
    if (!schema.empty()) doc["$schema"] = schema;
    if (!title.empty()) doc["name"] = title;
    ojson blocks = ojson::array();
    ojson links = ojson::object();
    int32_t max_slot = -1;
    std::set<std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>>> written;
    for (const BlobRecord& r : st.records) {
        max_slot = std::max(max_slot, r.id);
        const int32_t t = types.find_btype(r.btype);
        ojson b = ojson::object();
        b["id"] = id_json(r.id, names);
        if (t < 0) {
            b["type"] = r.btype;
            blocks.push_back(b);
            continue;
        }
        const TypeInfo& info = types.types()[static_cast<size_t>(t)];
        b["type"] = info.name;
        if (!r.params.empty()) {
            ojson ps = ojson::object();
            for (const BlobParam& p : r.params) {
                const ParamInfo* pinfo = nullptr;
                for (const ParamInfo& q : info.params) {
                    if (q.id == p.id) {
                        pinfo = &q;
                        break;
                    }
                }
                const std::string key = pinfo ? pinfo->name : std::to_string(p.id);
                if (pinfo && pinfo->kind == ParamKind::on_off && (p.value == 1.0 || p.value == -1.0)) {
                    ps[key] = p.value > 0;
                } else if (p.value == std::trunc(p.value) && std::fabs(p.value) < 9007199254740992.0 &&
                           !(p.value == 0 && std::signbit(p.value))) {
                    ps[key] = static_cast<int64_t>(p.value);
                } else {
                    ps[key] = p.value;
                }
            }
            b["params"] = ps;
        }
        if (r.ports.size() != types.instance_ports(static_cast<size_t>(t), r.params).size()) {
            b["port_entries"] = r.ports.size();
        }
        blocks.push_back(b);
        for (size_t k = 0; k < r.ports.size(); ++k) {
            const BlobPort& e = r.ports[k];
            if (e.flag == 0) continue;
            const auto self = std::make_pair(r.id, static_cast<int32_t>(k));
            const auto other = std::make_pair(e.block, e.port);
            if (written.count({other, self}) != 0) continue;
            written.insert({self, other});
            links[id_text(r.id, names) + "." + std::to_string(k)] = id_text(e.block, names) + "." + std::to_string(e.port);
        }
    }
    doc["blocks"] = blocks;
    doc["links"] = links;
    if (st.block_count != max_slot + 1) doc["block_count"] = st.block_count;
    return doc;
}

}  // namespace

ojson station_to_json(const BlobStation& st, const TypeSource& types) { return write_station(st, types, nullptr, "", ""); }

ojson station_to_json(const StationText& st, const TypeSource& types) {
    // Names that are all the slots' own numbers (a blob, or numeric ids) are written as numbers.
    bool named = false;
    for (const auto& [slot, name] : st.names) named = named || name != std::to_string(slot);
    return write_station(st.station, types, named ? &st.names : nullptr, st.schema, st.title);
}

}  // namespace quilbet
