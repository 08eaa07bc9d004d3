// Station budget check.
#include "entry/station_budget.hpp"

#include <cmath>
#include <cstdio>

namespace quilbet {

std::string station_budget_problem(const BuildFigures& s) {
    const BuildFigures& b = station_budget;
    auto over = [](int64_t figure, int64_t limit, const std::string& what, const std::string& why) {
        return "station budget: " + std::to_string(figure) + " " + what + " exceed the limit of " +
               std::to_string(limit) + " (" + why + ")";
    };
    if (s.groups > b.groups) return over(s.groups, b.groups, "mesh groups", "the host mesh holds 1000 groups");
    if (s.vertices > b.vertices) return over(s.vertices, b.vertices, "vertices", "memory of the hand-over");
    if (s.pixels > b.pixels) return over(s.pixels, b.pixels, "texture pixels", "memory of the painted textures");
    if (s.work > b.work) {
        return over(s.work / 1000, b.work / 1000, "ms of estimated build work", "the host waits while a station builds");
    }
    return {};
}

std::string station_extent_problem(double extent) {
    if (extent <= station_extent_limit) return {};
    const auto metres = [](double v) {
        char text[48];
        std::snprintf(text, sizeof text, "%.0f", std::ceil(v));
        return std::string(text);
    };
    return "station budget: vertices " + metres(extent) + " m from the station's origin exceed the limit of " +
           metres(station_extent_limit) + " m (beyond it 32-bit floats lose the blocks' centimetre details)";
}

}  // namespace quilbet
