// Where a message about a station description points, written the same way by
// every check: "station", "block \"core\" (Hab_A)", then the field
// (", parameter \"Length\"", ", port 3") and the message after ": ".
#pragma once

#include <cstddef>
#include <string>

#include "station/bounded_json.hpp"

namespace quilbet {

// A name, key or id in quotes, cut short when it is long.
inline std::string in_quotes(const std::string& s) { return "\"" + text_excerpt(s) + "\""; }

// block "ID", with " (TYPE)" when the type is known.
inline std::string block_place(const std::string& id, const std::string& type_name = "") {
    return "block " + in_quotes(id) + (type_name.empty() ? std::string() : " (" + type_name + ")");
}

// PLACE, parameter "NAME"
inline std::string param_place(const std::string& place, const std::string& param) {
    return place + ", parameter " + in_quotes(param);
}

// "ID.PORT", as links are written.
inline std::string port_ref(const std::string& id, size_t port) { return in_quotes(id + "." + std::to_string(port)); }

}  // namespace quilbet
