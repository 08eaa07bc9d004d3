// Station description JSON -> blob records, in phases: the document (syntax,
// doubled keys), the station keys, then per block its id, type and
// parameters, the block count, the links, and last the port entries.
#include "station/station_json.hpp"

#include <cstring>
#include <set>

#include "entry/limits.hpp"
#include "station/bounded_json.hpp"
#include "station/message_place.hpp"
#include "station/name_suggestions.hpp"

namespace quilbet {
namespace {

using ojson = nlohmann::ordered_json;

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

std::vector<std::string> type_names() {
    std::vector<std::string> names;
    for (const BlockTypeSpec& t : block_types()) names.push_back(t.name);
    return names;
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

// Parses the text; syntax errors and keys given twice go to diag. False when
// there is no document to read further.
bool read_document(std::string_view text, ojson& doc, Diagnostics& diag) {
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
    return true;
}

struct PortRef {
    int32_t slot = -1;
    int32_t port = -1;
    std::string text;
};

// One reading of one description; each phase adds its messages to diag.
class DescriptionReader {
public:
    DescriptionReader(const ojson& doc, StationText& out, Diagnostics& diag)
        : doc_(doc), blocks_(doc["blocks"]), out_(out), st_(out.station), diag_(diag) {}

    // Ids, types and parameters of every block. False on any error.
    bool read_blocks();
    // The block count: given, or one past the largest slot. False on an error.
    bool read_block_count();
    // Each link written once; both sides go into the port entries. False on any error.
    bool read_links();
    // One entry per port of the instance (or as many as asked for), free unless linked.
    void fill_port_entries();

private:
    bool ids_are_consistent();
    // Reads blocks_[i]: its id (false when the block cannot be named), type and parameters.
    void read_block(size_t i);
    const BlockTypeSpec* read_type(const ojson& b, const std::string& who);
    bool read_params(const ojson& ps, size_t i, const BlockTypeSpec& type, const std::string& where);
    std::string unknown_param(const std::string& key, const BlockTypeSpec& type, const std::string& where) const;
    bool parse_ref(const std::string& ref, PortRef& r);
    void read_link(const std::string& from, const std::string& to);
    // The ports of record i's instance; none when its type, id or parameters are unusable.
    std::vector<PortDef> instance_port_defs(size_t i) const;

    const ojson& doc_;
    const ojson& blocks_;
    StationText& out_;
    BlobStation& st_;
    Diagnostics& diag_;
    std::map<std::string, int32_t> slot_of_;   // id text -> slot
    std::vector<std::string> id_texts_;
    int32_t max_slot_ = -1;
    std::vector<bool> usable_;                 // id, type and parameters sound
    std::vector<const BlockTypeSpec*> type_of_;
    std::map<std::pair<int32_t, int32_t>, std::string> used_;   // (slot, port) -> partner text
    std::vector<std::map<int32_t, BlobPort>> entries_;
    std::map<int32_t, size_t> record_of_;
};

bool DescriptionReader::ids_are_consistent() {
    bool numeric_ids = false, named_ids = false;
    for (const ojson& b : blocks_) {
        if (b.is_object() && b.contains("id")) {
            numeric_ids = numeric_ids || b["id"].is_number_integer();
            named_ids = named_ids || b["id"].is_string();
        }
    }
    if (numeric_ids && named_ids) {
        diag_.error("blocks: ids must be all names or all numbers (numbers are block slots)");
        return false;
    }
    return true;
}

bool DescriptionReader::read_blocks() {
    if (!ids_are_consistent()) return false;
    const size_t errors_before = diag_.error_count();
    st_.records.resize(blocks_.size());
    usable_.assign(blocks_.size(), false);
    type_of_.assign(blocks_.size(), nullptr);
    for (size_t i = 0; i < blocks_.size(); ++i) read_block(i);
    return diag_.error_count() == errors_before;
}

void DescriptionReader::read_block(size_t i) {
    const ojson& b = blocks_[i];
    const std::string pos = "blocks[" + std::to_string(i) + "]";
    if (!b.is_object()) {
        diag_.error(pos + ": expected an object with \"id\" and \"type\"");
        return;
    }
    if (!b.contains("id")) {
        diag_.error(pos + ": missing \"id\"");
        return;
    }
    const ojson& id = b["id"];
    std::string id_text;
    int32_t slot = static_cast<int32_t>(i);
    if (id.is_string() && !id.get<std::string>().empty()) {
        id_text = id.get<std::string>();
    } else if (id.is_number_integer() && id.get<int64_t>() >= 0 && id.get<int64_t>() < 1000000) {
        slot = static_cast<int32_t>(id.get<int64_t>());
        id_text = std::to_string(slot);
    } else {
        diag_.error(pos + ", id: " + shown(id) + " is neither a name nor a block number");
        return;
    }
    const std::string who = block_place(id_text);
    if (!slot_of_.emplace(id_text, slot).second) {
        diag_.error(who + ", id: used by two blocks");
        return;
    }
    id_texts_.push_back(id_text);
    out_.names[slot] = id_text;
    max_slot_ = std::max(max_slot_, slot);
    st_.records[i].id = slot;
    check_keys(b, {"id", "type", "params", "port_entries", "comment"}, who, diag_);

    const BlockTypeSpec* type = read_type(b, who);
    if (type == nullptr) return;
    type_of_[i] = type;
    st_.records[i].btype = type->btype();
    const std::string where = block_place(id_text, type->name);
    if (b.contains("params") && !b["params"].is_object()) {
        diag_.error(where + ", params: expected an object of parameter names and values");
        return;
    }
    bool params_ok = !b.contains("params") || read_params(b["params"], i, *type, where);
    if (b.contains("port_entries") && !(b["port_entries"].is_number_integer() && b["port_entries"].get<int64_t>() >= 0 &&
                                        b["port_entries"].get<int64_t>() <= 100000)) {
        diag_.error(where + ", port_entries: expected a whole number of port entries");
        params_ok = false;
    }
    usable_[i] = params_ok;
}

const BlockTypeSpec* DescriptionReader::read_type(const ojson& b, const std::string& who) {
    if (!b.contains("type")) {
        diag_.error(who + ": missing \"type\"");
        return nullptr;
    }
    const ojson& ty = b["type"];
    if (ty.is_string()) {
        const BlockTypeSpec* t = find_block_type_named(ty.get<std::string>());
        if (t == nullptr) {
            diag_.error(who + ", type: unknown type " + in_quotes(ty.get<std::string>()) +
                        suggestion(ty.get<std::string>(), type_names()));
        }
        return t;
    }
    if (ty.is_number_integer()) {
        const int64_t v = ty.get<int64_t>();
        const BlockTypeSpec* t = (v >= INT32_MIN && v <= INT32_MAX) ? find_block_type(static_cast<int32_t>(v)) : nullptr;
        if (t == nullptr) diag_.error(who + ", type: unknown type id " + shown(ty));
        return t;
    }
    diag_.error(who + ", type: expected a type name or type id, not " + shown(ty));
    return nullptr;
}

std::string DescriptionReader::unknown_param(const std::string& key, const BlockTypeSpec& type,
                                             const std::string& where) const {
    std::vector<std::string> names;
    for (const ParamSpec& p : type.params) names.push_back(p.name);
    std::string msg = param_place(where, key) + ": unknown parameter";
    const std::string sug = all_digits(key) ? std::string() : suggestion(key, names);
    if (!sug.empty()) return msg + sug;
    if (names.empty()) return msg + " (" + type.name + " has no parameters)";
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + in_quotes(n);
    return msg + " (" + type.name + " has " + list + ")";
}

// Parameters by name (exact letters, any case) or by id as digits, in the order written.
bool DescriptionReader::read_params(const ojson& ps, size_t i, const BlockTypeSpec& type, const std::string& where) {
    bool ok = true;
    std::set<int32_t> seen;
    for (auto it = ps.begin(); it != ps.end(); ++it) {
        const std::string& key = it.key();
        const ParamSpec* spec = nullptr;
        for (const ParamSpec& p : type.params) {
            const bool match = all_digits(key) ? std::to_string(p.id) == key
                                               : key.size() == std::strlen(p.name) && name_distance(key, p.name) == 0;
            if (match) {
                spec = &p;
                break;
            }
        }
        if (spec == nullptr) {
            diag_.error(unknown_param(key, type, where));
            ok = false;
            continue;
        }
        const std::string pwhere = param_place(where, spec->name);
        if (!seen.insert(spec->id).second) {
            diag_.error(pwhere + ": given twice (by name and by id)");
            ok = false;
            continue;
        }
        const ojson& v = it.value();
        double value = 0;
        if (v.is_boolean()) {
            if (spec->kind != ParamKind::on_off) {
                diag_.error(pwhere + ": true / false is only for switches; this parameter takes a number");
                ok = false;
                continue;
            }
            value = v.get<bool>() ? 1.0 : -1.0;
        } else if (v.is_number()) {
            value = v.get<double>();
        } else {
            diag_.error(pwhere + ": expected " + (spec->kind == ParamKind::on_off ? "true or false" : "a number") +
                        ", not " + shown(v));
            ok = false;
            continue;
        }
        st_.records[i].params.push_back({spec->id, value});
    }
    return ok;
}

bool DescriptionReader::read_block_count() {
    if (!doc_.contains("block_count")) {
        st_.block_count = max_slot_ + 1;
        return true;
    }
    const ojson& n = doc_["block_count"];
    if (!n.is_number_integer() || n.get<int64_t>() <= max_slot_ || n.get<int64_t>() > INT32_MAX) {
        diag_.error("station, block_count: expected a whole number above the largest block number " +
                    std::to_string(max_slot_));
        return false;
    }
    st_.block_count = static_cast<int32_t>(n.get<int64_t>());
    return true;
}

bool DescriptionReader::parse_ref(const std::string& ref, PortRef& r) {
    const size_t dot = ref.rfind('.');
    const std::string where = "links, " + in_quotes(ref);
    if (dot == std::string::npos || dot + 1 == ref.size()) {
        diag_.error(where + ": expected \"block.port\" with a port number or name, for example \"core.0\" or \"core.end +z\"");
        return false;
    }
    const std::string id = ref.substr(0, dot);
    const std::string port = ref.substr(dot + 1);
    const auto it = slot_of_.find(id);
    if (it == slot_of_.end()) {
        diag_.error(where + ": no block has the id " + in_quotes(id) + suggestion(id, id_texts_));
        return false;
    }
    r.slot = it->second;
    r.text = ref;
    if (!all_digits(port)) {
        // A port name ("end +z", "bay 3 -x"): looked up among the ports of the instance as written.
        const std::vector<PortDef> defs = instance_port_defs(record_of_[r.slot]);
        r.port = port_index_named(defs, port);
        if (r.port < 0) {
            std::vector<std::string> names;
            for (const PortDef& d : defs) names.push_back(port_name(d));
            diag_.error(where + ": block " + in_quotes(id) + " has no port named " + in_quotes(port) + suggestion(port, names));
            return false;
        }
        return true;
    }
    r.port = std::stoi(port);
    // Port entries are written up to the highest linked port: refuse a
    // number no block can have before anything is sized by it.
    if (r.port >= max_record_ports) {
        diag_.error(where + ": port " + std::to_string(r.port) + " is beyond the limit of " +
                    std::to_string(max_record_ports - 1) + " (no block has that many ports)");
        return false;
    }
    return true;
}

void DescriptionReader::read_link(const std::string& from, const std::string& to) {
    PortRef a, b;
    if (!parse_ref(from, a) || !parse_ref(to, b)) return;
    if (a.slot == b.slot) {
        diag_.error("links, " + in_quotes(a.text) + ": linked to " + in_quotes(b.text) + " of the same block");
        return;
    }
    bool ok = true;
    for (const PortRef* p : {&a, &b}) {
        const PortRef* other = p == &a ? &b : &a;
        const auto prev = used_.find({p->slot, p->port});
        if (prev != used_.end()) {
            diag_.error("links: port " + in_quotes(p->text) + " is linked twice, to " + in_quotes(prev->second) + " and to " +
                        in_quotes(other->text));
            ok = false;
        }
    }
    if (!ok) return;
    used_[{a.slot, a.port}] = b.text;
    used_[{b.slot, b.port}] = a.text;
    entries_[record_of_[a.slot]][a.port] = BlobPort{1, b.slot, b.port};
    entries_[record_of_[b.slot]][b.port] = BlobPort{1, a.slot, a.port};
}

bool DescriptionReader::read_links() {
    const size_t errors_before = diag_.error_count();
    entries_.assign(blocks_.size(), {});
    for (size_t i = 0; i < st_.records.size(); ++i) record_of_[st_.records[i].id] = i;
    if (!doc_.contains("links")) return true;
    const ojson& links = doc_["links"];
    if (!links.is_object()) {
        diag_.error("station, links: expected an object of \"block.port\": \"block.port\" pairs");
        return false;
    }
    for (auto it = links.begin(); it != links.end(); ++it) {
        if (!it.value().is_string()) {
            diag_.error("links, " + in_quotes(it.key()) + ": expected \"block.port\", not " + shown(it.value()));
            continue;
        }
        read_link(it.key(), it.value().get<std::string>());
    }
    return diag_.error_count() == errors_before;
}

std::vector<PortDef> DescriptionReader::instance_port_defs(size_t i) const {
    if (!usable_[i]) return {};
    // Values beyond the hard limits are refused later; their ports are never asked for.
    const BlockTypeSpec& type = *type_of_[i];
    for (const BlobParam& p : st_.records[i].params) {
        const ParamSpec* spec = type.param(p.id);
        if (spec != nullptr && !hard_limit_problem(*spec, p.value).empty()) return {};
    }
    return instance_ports(type, st_.records[i].params);
}

void DescriptionReader::fill_port_entries() {
    for (size_t i = 0; i < st_.records.size(); ++i) {
        BlobRecord& r = st_.records[i];
        const ojson& b = blocks_[i];
        size_t q = 0;
        if (b.contains("port_entries")) {
            q = static_cast<size_t>(b["port_entries"].get<int64_t>());
        } else if (usable_[i]) {
            q = instance_port_defs(i).size();
        }
        if (!entries_[i].empty()) {
            const size_t last = static_cast<size_t>(entries_[i].rbegin()->first) + 1;
            if (b.contains("port_entries") && last > q) {
                diag_.error(block_place(out_.names[r.id]) + ", port_entries: " + std::to_string(q) +
                            " entries leave out linked port " + std::to_string(last - 1));
                continue;
            }
            q = std::max(q, last);
        }
        r.ports.assign(q, BlobPort{0, -1, -1});
        for (const auto& [k, e] : entries_[i]) r.ports[static_cast<size_t>(k)] = e;
    }
}

}  // namespace

bool parse_station_json(std::string_view text, StationText& out, Diagnostics& diag) {
    out = StationText{};
    const size_t errors_before = diag.error_count();
    ojson doc;
    if (!read_document(text, doc, diag)) return false;
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

    DescriptionReader reader(doc, out, diag);
    // Each phase needs the ones before it whole; errors from the document's
    // keys also stop the reading before the links.
    if (!reader.read_blocks() || diag.error_count() > errors_before) return false;
    if (!reader.read_block_count() || !reader.read_links()) return false;
    reader.fill_port_entries();
    return diag.error_count() == errors_before;
}

}  // namespace quilbet
