// quilbet: the command-line tool for people who design stations.
//
//   quilbet describe STATION.json [-o STATION.blob] [--json]  check, print figures, write the blob
//   quilbet decode STATION.blob [-o STATION.json]      blob back to JSON (exact round trip)
//   quilbet build STATION.json|.blob [-o OUT.glb] [--png OUT.png] [--vessel OUT.json] [--size WxH]
//                 [--host-mesh DIR [--host-textures dxt1|rgba]]
//   quilbet catalogue [--json]                         every block type, parameter and port
//   quilbet generate [--seed N] [--blocks K] [--style core|spine|ring|random] [--symmetry S] [--require TYPE=N]...
//                    [--docking N] [--max-size X,Y,Z] [--variation K] [--from STATION.json] [-o STATION.json] [--build]
//   quilbet design [STATION.json] [--port N] [--no-open]  the station designer in the browser
//   quilbet --version
//
// Exit codes: 0 success (warnings allowed), 1 invalid input or a failed
// build or write, 2 a usage error. Invalid input writes no output file.
#include <cstdio>
#include <iostream>
#include <random>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/build_command.hpp"
#include "cli/catalogue_command.hpp"
#include "cli/decode_command.hpp"
#include "cli/describe_command.hpp"
#include "cli/design_command.hpp"
#include "cli/generate_command.hpp"
#include "generate/generated_text.hpp"
#include "station/preview.hpp"
#include "station/version.hpp"

namespace {

using namespace quilbet;

constexpr int exit_usage = 2;

// A preview this machine's OpenGL cannot render is refused before any work,
// not after a build. True when it can be rendered (or none is asked for).
bool preview_size_usable(bool wanted, int32_t width, int32_t height) {
    if (!wanted) return true;
    const std::string problem = preview_size_problem(width, height);
    if (problem.empty()) return true;
    std::cerr << "quilbet: --size: " << problem << "\n";
    return false;
}

}  // namespace

static int run(int argc, char** argv) {
    CLI::App app{"quilbet: station descriptions, blobs, glTF models and previews of quilbet space stations"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("quilbet ") + quilbet_version);
    std::string in, out, png, vessel, size = "1280x960", host_mesh, host_textures = "dxt1";
    bool json = false;

    CLI::App* c_describe = app.add_subcommand("describe", "Check a JSON station description and write its blob");
    c_describe->add_option("station", in, "JSON station description")->required();
    c_describe->add_option("-o,--output", out, "Blob to write (without it, only check)");
    c_describe->add_flag("--json", json, "Print the station's figures as JSON (for scripts) instead of as text");

    CLI::App* c_decode = app.add_subcommand("decode", "Turn a description blob back into JSON");
    c_decode->add_option("blob", in, "Description blob")->required();
    c_decode->add_option("-o,--output", out, "JSON file to write (default: standard output)");

    CLI::App* c_build = app.add_subcommand("build", "Build a station and write it as glTF binary, as the simulator's own mesh and DDS files, or both");
    c_build->add_option("station", in, "JSON description or blob")->required();
    c_build->add_option("-o,--output", out, "glTF binary (.glb) to write (needed unless --host-mesh is given)");
    c_build->add_option("--png", png, "Also render a preview picture to this PNG file");
    c_build->add_option("--vessel", vessel, "Also write the vessel data (docking ports, habitat entry) as JSON");
    c_build->add_option("--size", size, "Preview size WxH (default 1280x960)");
    c_build->add_option("--host-mesh", host_mesh,
                        "Also write the station as the simulator's own files into this folder: NAME.msh (its text "
                        "mesh format) and NAME_NNN.dds per textured group, NAME from the station file's name");
    c_build->add_option("--host-textures", host_textures,
                        "How the DDS files of --host-mesh hold their pixels: dxt1 (compressed, default) or rgba "
                        "(uncompressed 32-bit)")
        ->check(CLI::IsMember({"dxt1", "rgba"}));

    CLI::App* c_catalogue = app.add_subcommand("catalogue", "List every block type with parameters and ports");
    c_catalogue->add_flag("--json", json, "Machine-readable listing");

    DesignOptions design;
    bool no_open = false;
    CLI::App* c_design = app.add_subcommand(
        "design", "Design a station in the browser: a local server on 127.0.0.1 with a 3D view, the catalogue, "
                  "undo and redo, open, save and export (Ctrl-C stops it)");
    c_design->add_option("station", design.station,
                         "JSON description to open; saving writes it (created when it does not exist)");
    c_design->add_option("--port", design.port, "Port on 127.0.0.1 (default 8417; 0 picks a free one)")
        ->check(CLI::Range(0, 65535));
    c_design->add_flag("--no-open", no_open, "Only print the address; do not start a browser");

    GenerateCommand gen;
    std::string style = "core", seed;
    CLI::App* c_generate = app.add_subcommand(
        "generate",
        "Generate a station description from a seed: habitats, girders and wings laid out in a style, no two "
        "blocks overlapping, within the station budget. The same seed, block count and style give the same file.");
    const CLI::Option* seed_option =
        c_generate->add_option("--seed", seed, "Seed, 0 to 18446744073709551615 (default: a new one, reported)");
    c_generate->add_option("--blocks", gen.generate.blocks, "About how many blocks (default 25)")
        ->check(CLI::Range(1, max_generated_blocks));
    c_generate->add_option("--style", style, "core: habitats around nodes; spine: one long girder line with wings; "
                                             "ring: habitats around a hub; random: any mix (default core)")
        ->check(CLI::IsMember({"core", "spine", "ring", "random"}));
    std::string symmetry, max_size;
    std::vector<std::string> requires_;
    c_generate->add_option("--symmetry", symmetry,
                           "none, mirror or radial:N: blocks in twins with equal parameters at equivalent ports, about "
                           "the root block (default: the style's own; core and ring radial:4, spine mirror, random none)");
    c_generate->add_option("--require", requires_,
                           "TYPE=N or TYPE=MIN..MAX, TYPE a block type or a category (Hab_A=2, habitats=4..6, solar=8..); "
                           "repeatable. Met exactly or the station is refused, saying what was reached");
    c_generate->add_option("--docking", gen.generate.constraints.docking, "Exactly N free docking ports")
        ->check(CLI::Range(0, 200));
    c_generate->add_option("--max-size", max_size, "X,Y,Z: the station's box at most this many metres along x, y and z");
    c_generate->add_option("--variation", gen.generate.variation,
                           "The K-th variation of the station: the same layout with a few designs changed (default 0)")
        ->check(CLI::Range(0, 1000000));
    c_generate->add_option("--from", gen.generate.from_path,
                           "STATION.json: grow around this description, keeping every block of it unchanged (ids, "
                           "types, parameters, links) and attaching the new blocks at its free ports; no symmetry unless "
                           "--symmetry is given. A description with errors is refused with its messages");
    c_generate->add_option("-o,--output", gen.output, "JSON description to write (default: standard output)");
    c_generate->add_flag("--build", gen.build, "Also build it: the glb and PNG preview beside the JSON file, as `build` writes them");
    c_generate->add_option("--size", size, "Preview size WxH with --build (default 1280x960)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exit_usage;
    }

    if (*c_describe) return run_describe(in, out, json);
    if (*c_decode) return run_decode(in, out);
    if (*c_catalogue) return run_catalogue(json);
    if (*c_design) {
        design.open_browser = !no_open;
        return run_design(design);
    }
    if (*c_generate) {
        parse_style(style, gen.generate.style);
        if (seed_option->count() == 0) {
            std::random_device device;
            gen.generate.seed = (static_cast<uint64_t>(device()) << 32) | device();
        } else if (!parse_seed(seed, gen.generate.seed)) {
            std::cerr << "quilbet: --seed expects a whole number from 0 to 18446744073709551615, not \"" << seed << "\"\n";
            return exit_usage;
        }
        if (!parse_size(size, gen.width, gen.height)) {
            std::cerr << "quilbet: --size expects WIDTHxHEIGHT between 16x16 and 8192x8192, not \"" << size << "\"\n";
            return exit_usage;
        }
        if (!symmetry.empty()) {
            gen.generate.style_symmetry = false;
            if (!parse_symmetry(symmetry, gen.generate.symmetry)) {
                std::cerr << "quilbet: --symmetry expects none, mirror or radial:N (N 2 to 12), not \"" << symmetry << "\"\n";
                return exit_usage;
            }
        }
        for (const std::string& text : requires_) {
            Requirement r;
            std::string why;
            if (!parse_requirement(text, r, why)) {
                std::cerr << "quilbet: --require " << why << "\n";
                return exit_usage;
            }
            gen.generate.constraints.requirements.push_back(r);
        }
        if (!max_size.empty()) {
            gen.generate.constraints.has_max_size = true;
            if (!parse_max_size(max_size, gen.generate.constraints.max_size)) {
                std::cerr << "quilbet: --max-size expects X,Y,Z in metres, each above 0, not \"" << max_size << "\"\n";
                return exit_usage;
            }
        }
        if (!preview_size_usable(gen.build, gen.width, gen.height)) return exit_usage;
        return run_generate(gen);
    }
    if (*c_build) {
        BuildOptions opt;
        opt.input = in;
        opt.glb = out;
        opt.png = png;
        opt.vessel = vessel;
        opt.host_mesh = host_mesh;
        opt.host_textures = host_textures == "rgba" ? DdsFormat::rgba : DdsFormat::dxt1;
        if (out.empty() && host_mesh.empty()) {
            std::cerr << "quilbet: build needs -o OUT.glb, --host-mesh DIR or both\n";
            return exit_usage;
        }
        if (!parse_size(size, opt.width, opt.height)) {
            std::cerr << "quilbet: --size expects WIDTHxHEIGHT between 16x16 and 8192x8192, not \"" << size << "\"\n";
            return exit_usage;
        }
        if (!preview_size_usable(!opt.png.empty(), opt.width, opt.height)) return exit_usage;
        return run_build(opt);
    }
    return exit_usage;
}

int main(int argc, char** argv) {
    // Whatever goes wrong inside ends as a message and exit code 1, never an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "quilbet: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "quilbet: internal error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "quilbet: internal error\n";
    }
    return 1;
}
