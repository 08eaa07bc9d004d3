// Station outputs: build, glb, preview, vessel JSON.
#include "station/station_outputs.hpp"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <regex>

#include "entry/module.hpp"

#include "station/gltf_writer.hpp"
#include "station/png_io.hpp"
#include "station/preview.hpp"
#include "station/station_runner.hpp"

namespace quilbet {
namespace {

// A progress line on stderr, shown only once a build has run for a moment.
class ProgressLine {
public:
    ProgressLine() : start_(std::chrono::steady_clock::now()), tty_(isatty(STDERR_FILENO) != 0) {}
    void show(const std::string& what) {
        const double s = seconds();
        if (s < 0.7) return;
        if (tty_) {
            std::fprintf(stderr, "\r%-60s", (what + " (" + std::to_string(static_cast<int>(s)) + " s)").c_str());
            shown_ = true;
        } else if (what != last_ && s - last_time_ >= 2.0) {
            std::fprintf(stderr, "%s\n", what.c_str());
            last_time_ = s;
        }
        last_ = what;
    }
    void done() {
        if (shown_) std::fprintf(stderr, "\r%-60s\r", "");
        shown_ = false;
    }
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_;
    bool tty_;
    bool shown_ = false;
    std::string last_;
    double last_time_ = -10;
};

}  // namespace

bool parse_size(const std::string& text, int32_t& width, int32_t& height) {
    static const std::regex form("([0-9]{1,5})[xX]([0-9]{1,5})");
    std::smatch m;
    if (!std::regex_match(text, m, form)) return false;
    const int w = std::stoi(m[1].str()), h = std::stoi(m[2].str());
    if (w < 16 || h < 16 || w > 8192 || h > 8192) return false;
    width = w;
    height = h;
    return true;
}

bool build_station_files(const BlobStation& station, const std::map<int32_t, std::string>& names,
                         const BuildOptions& opt, std::vector<OutputFile>& outputs, std::string& error,
                         HandedOver* handed) {
    ProgressLine progress;
    Module module;
    module.set_diagnostic_sink([](const std::string& line) { std::cerr << "quilbet: " << line << "\n"; });
    StartupOptions start;
    start.write_placeholder_files = false;
    if (!module.startup(start)) {
        error = "the module did not start: " + module.last_error();
        return false;
    }

    const size_t blocks = station.records.size();
    module.set_progress_callback([&](int32_t phase, double fraction) {
        if (phase != 1) return;
        const size_t done = static_cast<size_t>(fraction * static_cast<double>(blocks) + 0.5);
        progress.show("building blocks " + std::to_string(done) + "/" + std::to_string(blocks));
    });
    BuildResult result;
    if (!run_station(module, encode_blob(station), result, error, names)) {
        progress.done();
        if (!opt.input.empty()) error = opt.input + ": " + error;
        return false;
    }

    if (handed != nullptr) {
        handed->groups = static_cast<int64_t>(result.scene.groups.size());
        handed->vertices = 0;
        for (const SceneGroup& g : result.scene.groups) handed->vertices += static_cast<int64_t>(g.vertex_count());
    }
    progress.show("writing " + opt.glb);
    outputs.assign(1, OutputFile{opt.glb, {}});
    if (!write_glb(result.scene, outputs[0].bytes, error)) {
        progress.done();
        return false;
    }
    if (!opt.png.empty()) {
        outputs.push_back({opt.png, {}});
        std::vector<uint8_t>& png = outputs.back().bytes;
        progress.show("rendering " + opt.png);
        std::vector<uint8_t> rgb;
        PreviewInfo info;
        if (!render_preview(result.scene, opt.width, opt.height, rgb, info, error) ||
            !encode_png(rgb.data(), opt.width, opt.height, 3, png, error)) {
            progress.done();
            error = "preview: " + error;
            return false;
        }
    }
    progress.done();
    if (!opt.vessel.empty()) {
        const std::string vessel = result.vessel.dump(2) + "\n";
        outputs.push_back({opt.vessel, std::vector<uint8_t>(vessel.begin(), vessel.end())});
    }
    return true;
}

}  // namespace quilbet
