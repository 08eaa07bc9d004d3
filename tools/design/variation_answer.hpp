// The designer's variations of the page's station: each as the text Save
// writes and a small picture drawn off screen with the preview renderer, for
// the page to show as thumbnails to pick from.
#pragma once

#include <chrono>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "design/station_builder.hpp"
#include "station/station_json.hpp"

namespace quilbet {

inline constexpr int32_t variation_count = 6;
inline constexpr int32_t variation_picture_width = 240;
inline constexpr int32_t variation_picture_height = 160;
// Past this no further variation is started; the answer names the ones left out.
inline constexpr std::chrono::milliseconds variation_time_budget{15000};

// Variations 1 .. variation_count of a station that validate_station_text
// accepted (StationVariations), each built through `builder` (its cache then
// holds their geometry, so picking one builds at once) and drawn at
// variation_picture_width x variation_picture_height:
//   { "ok": true,
//     "variations": [ { "variation": K, "text": description, "redrawn": [ids],
//                       "picture": "data:image/png;base64,...", or "" and
//                       "picture_error": why it could not be drawn } ],
//     "missing": [ { "variation": K, "why": text } ] }
// `budget` bounds the time: variations not started by then are missing.
nlohmann::ordered_json variations_answer(const StationText& st, StationBuilder& builder,
                                         std::chrono::milliseconds budget = variation_time_budget);

}  // namespace quilbet
