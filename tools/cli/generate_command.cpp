// The generate command.
#include "cli/generate_command.hpp"

#include <iostream>
#include <memory>

#include "generate/generated_text.hpp"
#include "station/files.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"
#include "station/validate.hpp"

namespace quilbet {

int run_generate(const GenerateCommand& cmd) {
    if (const std::string problem = generate_options_problem(cmd.generate); !problem.empty()) {
        std::cerr << "quilbet: generate: " << problem << "\n";
        return 2;
    }
    if (cmd.build && cmd.output.empty()) {
        std::cerr << "quilbet: generate: --build needs -o STATION.json (the glb and PNG are written beside it)\n";
        return 2;
    }
    BuildOptions build;
    build.glb = cmd.build ? sibling_path(cmd.output, ".glb") : "";
    build.png = cmd.build ? sibling_path(cmd.output, ".png") : "";
    build.width = cmd.width;
    build.height = cmd.height;
    const std::string same =
        same_file_problem(cmd.generate.from_path.empty() ? std::vector<CommandFile>{} : std::vector<CommandFile>{{"--from", cmd.generate.from_path}},
                          {{"-o", cmd.output}, {"the glb beside it", build.glb}, {"the PNG beside it", build.png}});
    if (!same.empty()) {
        std::cerr << "quilbet: generate: " << same << "\n";
        return 2;
    }
    std::string error;
    for (const std::string& path : {cmd.output, build.glb, build.png}) {
        if (!path.empty() && !can_write_file(path, error)) {
            std::cerr << "quilbet: " << error << "\n";
            return 1;
        }
    }

    // A station to grow around is read and checked as `describe` checks it;
    // one with errors is refused with its messages.
    GenerateOptions options = cmd.generate;
    if (!options.from_path.empty()) {
        auto from = std::make_shared<StationText>();
        Diagnostics diag;
        const bool ok = load_station(options.from_path, *from, diag);
        if (!ok || diag.has_errors()) {
            print_diagnostics(std::cerr, options.from_path, diag);
            std::cerr << "quilbet: generate: --from " << options.from_path << " does not pass the checks (nothing written)\n";
            return 1;
        }
        options.from = std::move(from);
    }
    const GeneratedStation gen = generate_station(options);
    if (!gen.unmet.empty()) {
        std::cerr << "quilbet: generate: " << style_name(cmd.generate.style) << " station, seed " << cmd.generate.seed
                  << ", " << gen.station.records.size() << " blocks: could not meet\n";
        for (const std::string& line : gen.unmet) std::cerr << "  " << line << "\n";
        std::cerr << "quilbet: generate: nothing written\n";
        return 1;
    }
    // The description is checked as `describe` would check it; a generated
    // station that draws any message is a fault of the generator, not the user's.
    Diagnostics diag;
    validate_station(gen.station, [](int32_t slot) { return std::to_string(slot); }, diag);
    if (!diag.list().empty()) {
        print_diagnostics(std::cerr, "generated station", diag);
        std::cerr << "quilbet: generate: internal error: the generated station did not pass the checks (nothing written)\n";
        return 1;
    }
    const std::string text = generated_json(gen.station, options);
    std::cerr << "quilbet: " << style_name(cmd.generate.style) << " station, seed " << cmd.generate.seed << ": "
              << gen.station.records.size() << " blocks (" << cmd.generate.blocks << " asked for"
              << (gen.reached_count ? "" : "; nothing more fits around it") << ")\n";
    if (cmd.output.empty()) {
        std::cout << text;
        return 0;
    }

    std::vector<OutputFile> outputs;
    if (cmd.build && !build_station_files(gen.station, {}, build, outputs, error)) {
        std::cerr << "quilbet: " << error << "\n";
        return 1;
    }
    outputs.insert(outputs.begin(), OutputFile{cmd.output, std::vector<uint8_t>(text.begin(), text.end())});
    if (!write_files_together(outputs, error)) {
        std::cerr << "quilbet: " << error << " (nothing written)\n";
        return 1;
    }
    return 0;
}

}  // namespace quilbet
