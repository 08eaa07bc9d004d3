// Variations drawn as thumbnails.
#include "design/variation_answer.hpp"

#include "design/design_api.hpp"
#include "generate/station_variations.hpp"
#include "station/png_io.hpp"
#include "station/preview.hpp"

namespace quilbet {
namespace {

std::string base64_text(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t b1 = i + 1 < bytes.size() ? bytes[i + 1] : 0u, b2 = i + 2 < bytes.size() ? bytes[i + 2] : 0u;
        const uint32_t n = static_cast<uint32_t>(bytes[i]) << 16 | b1 << 8 | b2;
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[n >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
    }
    return out;
}

// The preview draws groups in the station frame: each block's groups placed.
Scene station_frame_scene(const StationBuild& built) {
    Scene scene;
    for (const PlacedBlock& b : built.blocks) {
        for (const auto& g : b.built->groups) {
            SceneGroup placed = *g;
            for (size_t i = 0; i + 2 < placed.pos.size(); i += 3) {
                const Vec3 p = vec_add(quat_rotate(b.rot, Vec3{g->pos[i], g->pos[i + 1], g->pos[i + 2]}), b.pos);
                const Vec3 n = quat_rotate(b.rot, Vec3{g->nrm[i], g->nrm[i + 1], g->nrm[i + 2]});
                placed.pos[i] = static_cast<float>(p.x), placed.pos[i + 1] = static_cast<float>(p.y), placed.pos[i + 2] = static_cast<float>(p.z);
                placed.nrm[i] = static_cast<float>(n.x), placed.nrm[i + 1] = static_cast<float>(n.y), placed.nrm[i + 2] = static_cast<float>(n.z);
            }
            scene.groups.push_back(std::move(placed));
        }
    }
    return scene;
}

// The built station as a PNG data URL, or "" with the reason when it cannot be drawn here.
std::string thumbnail_url(const StationBuild& built, std::string& error) {
    std::vector<uint8_t> rgb, png;
    PreviewInfo info;
    if (!render_preview(station_frame_scene(built), variation_picture_width, variation_picture_height, rgb, info, error) ||
        !encode_png(rgb.data(), variation_picture_width, variation_picture_height, 3, png, error)) {
        return "";
    }
    return "data:image/png;base64," + base64_text(png);
}

}  // namespace

nlohmann::ordered_json variations_answer(const StationText& st, StationBuilder& builder, std::chrono::milliseconds budget) {
    using ojson = nlohmann::ordered_json;
    const auto give_up = std::chrono::steady_clock::now() + budget;
    const StationVariations variations(st);
    ojson made = ojson::array(), missing = ojson::array();
    for (int32_t k = 1; k <= variation_count; ++k) {
        const StationVariation v = variations.make(k, give_up);
        if (!v.found) {
            missing.push_back(ojson{{"variation", k}, {"why", v.why}});
            continue;
        }
        ojson redrawn = ojson::array();
        for (int32_t slot : v.redrawn) redrawn.push_back(v.text.id_of(slot));
        std::string error;
        const std::string url = thumbnail_url(builder.build(v.text), error);
        ojson entry{{"variation", k}, {"text", saved_text(v.text)}, {"redrawn", redrawn}, {"picture", url}};
        if (url.empty()) entry["picture_error"] = error;
        made.push_back(std::move(entry));
    }
    return ojson{{"ok", true}, {"variations", made}, {"missing", missing}};
}

}  // namespace quilbet
