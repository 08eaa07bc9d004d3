// The catalogue as a person reads it (text) or a program reads it (JSON).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "blocks/block_types.hpp"

namespace quilbet {

// Every type: name, id, category; parameters with kind, default and range;
// ports with index, kind, position and direction (default parameters).
std::string catalogue_text();
nlohmann::ordered_json catalogue_json();

// "switch", "whole" or "real".
const char* param_kind_name(ParamKind kind);

}  // namespace quilbet
