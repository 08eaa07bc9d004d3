// Catalogue listing in text and JSON.
#include "station/catalogue_listing.hpp"

#include <cmath>
#include <cstdio>

#include "station/station_json.hpp"

namespace quilbet {
namespace {

std::string num(double v) {
    if (v == 0) v = 0;   // no "-0" in a listing
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

std::string vec(Vec3 v) { return "(" + num(v.x) + ", " + num(v.y) + ", " + num(v.z) + ")"; }

}  // namespace

const char* param_kind_name(ParamKind kind) {
    switch (kind) {
    case ParamKind::on_off: return "switch";
    case ParamKind::whole: return "whole";
    default: return "real";
    }
}

std::string catalogue_text() {
    std::string out;
    for (const BlockTypeSpec& t : block_types()) {
        const std::vector<PortDef> port_defs = instance_ports(t, {});
        out += std::string(t.name) + "  (type " + std::to_string(t.btype()) + ", " + t.category_name() + ")\n";
        if (t.params.empty()) out += "  parameters: none\n";
        for (const ParamSpec& p : t.params) {
            char line[256];
            if (p.kind == ParamKind::on_off) {
                std::snprintf(line, sizeof line, "  param %-2d %-16s switch  default %s\n", p.id,
                              ("\"" + std::string(p.name) + "\"").c_str(), p.def > 0 ? "true" : "false");
            } else {
                std::snprintf(line, sizeof line, "  param %-2d %-16s %-6s  default %-8s range %s to %s\n", p.id,
                              ("\"" + std::string(p.name) + "\"").c_str(), param_kind_name(p.kind), num(p.def).c_str(),
                              num(p.min).c_str(), num(p.max).c_str());
            }
            out += line;
        }
        for (size_t i = 0; i < port_defs.size(); ++i) {
            const PortDef& p = port_defs[i];
            char line[256];
            std::snprintf(line, sizeof line, "  port  %-2zu kind %-2d at %-18s facing %-12s \"%s\"\n", i,
                          static_cast<int>(p.kind), vec(p.pos).c_str(), vec(p.dir).c_str(), port_name(p).c_str());
            out += line;
        }
        out += "\n";
    }
    return out;
}

nlohmann::ordered_json catalogue_json() {
    using oj = nlohmann::ordered_json;
    oj list = oj::array();
    for (const BlockTypeSpec& t : block_types()) {
        const std::vector<PortDef> port_defs = instance_ports(t, {});
        oj params = oj::array();
        for (const ParamSpec& p : t.params) {
            oj o = oj::object();
            o["name"] = p.name;
            o["id"] = p.id;
            o["kind"] = param_kind_name(p.kind);
            if (p.kind == ParamKind::on_off) {
                o["default"] = p.def > 0;
            } else {
                o["default"] = p.def;
                o["min"] = p.min;
                o["max"] = p.max;
            }
            o["hard_limit"] = nlohmann::ordered_json::array({p.hard_lo, p.hard_hi});
            params.push_back(o);
        }
        oj ports = oj::array();
        for (size_t i = 0; i < port_defs.size(); ++i) {
            oj o = oj::object();
            o["index"] = i;
            o["name"] = port_name(port_defs[i]);
            o["kind"] = static_cast<int32_t>(port_defs[i].kind);
            o["position"] = vec_json(port_defs[i].pos);
            o["direction"] = vec_json(port_defs[i].dir);
            o["up"] = vec_json(port_defs[i].up);
            ports.push_back(o);
        }
        oj o = oj::object();
        o["name"] = t.name;
        o["id"] = t.btype();
        o["category"] = t.category_name();
        o["category_index"] = static_cast<int32_t>(t.category);
        o["parameters"] = params;
        o["ports"] = ports;
        list.push_back(o);
    }
    oj doc = oj::object();
    doc["types"] = list;
    return doc;
}

}  // namespace quilbet
