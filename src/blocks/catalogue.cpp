// The catalogue of the 26 block types: names, type ids, categories and every
// parameter with its kind, default and range, then each entry's default
// geometry, ports and size from the geometry dispatch.
#include "blocks/catalogue.hpp"

#include <cctype>

#include "blocks/geometry.hpp"

namespace quilbet {

namespace {

struct ParamRow {
    const char* name;
    int32_t id;
    int32_t kind;
    double def;
    double min;
    double max;
};

struct TypeRow {
    const char* name;
    int32_t btype;
    int32_t cat;
    std::vector<ParamRow> params;
};

constexpr int32_t S = param_switch;
constexpr int32_t W = param_whole;
constexpr int32_t R = param_real;
constexpr double half_pi = 1.5707963267948966;

std::vector<TypeRow> catalogue_rows() {
    const std::vector<ParamRow> power_wing = {
        {"Panel type", 1, W, 0, 0, 4},
        {"Panel rotation", 2, R, 0, 0, half_pi},
        {"Rotation shear", 3, R, 0, 0, 0.5},
    };
    const std::vector<ParamRow> one_rotation = {{"Panel rotation", 1, R, 0, 0, half_pi}};
    const ParamRow block_length = {"Block_length", 1, R, std_length, std_length / 4, std_length * 4};
    const ParamRow block_count = {"Block_count", 2, W, static_cast<double>(std_count), 1,
                                  4.0 * static_cast<double>(std_count)};
    const std::vector<ParamRow> truss = {
        block_length, block_count, {"Cross_A", 3, S, 1, 0, 0}, {"Cross_B", 4, S, -1, 0, 0},
        {"Cross_C", 5, S, -1, 0, 0},
    };
    const std::vector<ParamRow> hab = {
        {"Windows", 1, W, 1, 0, 5}, {"Round", 2, S, 1, 0, 0}, {"Length", 3, R, 8, 4, 16}};
    const std::vector<ParamRow> adaptor = {{"Length", 1, R, std_width, std_width / 2, std_width * 2}};
    const std::vector<ParamRow> tank = {{"Length", 1, R, 10, 5, 20}, {"Radius", 2, R, 2, 1, 4}};
    const std::vector<ParamRow> aux_port = {{"Length", 1, R, std_width * 1.5, std_width / 2, std_width * 2}};

    return {
        {"Power_wing_A", 11, 0, power_wing},
        {"Power_wing_B", 12, 0, power_wing},
        {"Power_wing_C", 13, 0, power_wing},
        {"Solar_wing_A", 21, 1, {{"Panel rotation", 1, R, 0, 0, half_pi}, {"Rotation shear", 2, R, 0, 0, 0.5}}},
        {"Solar_wing_B", 22, 1, one_rotation},
        {"Solar_wing_C", 23, 1, one_rotation},
        {"Solar_wing_D", 24, 1, one_rotation},
        {"Test_Article", 99, 0, {}},
        {"Solar_Panel_A", 31, 1,
         {{"Smalling", 1, S, -1, 0, 0}, {"Rotation shear", 2, R, 0.1, 0, 0.5}, {"Rows", 3, W, 8, 1, 15}}},
        // The default of 19 rows lies above the range on purpose: it is what the
        // default geometry of this type is built with.
        {"Solar_Panel_B", 32, 1, {{"Smalling", 1, S, -1, 0, 0}, {"Rows", 3, W, 19, 1, 15}}},
        {"Solar_Panel_C", 33, 1, {{"Smalling", 1, S, -1, 0, 0}, {"Rows", 3, W, 4, 1, 15}}},
        {"Solar_Panel_D", 34, 1, {{"Smalling", 1, S, -1, 0, 0}, {"Rows", 3, W, 5, 1, 15}}},
        {"Truss_A", 41, 2, truss},
        {"Truss_B", 42, 2, truss},
        {"Truss_C", 43, 2,
         {block_length, block_count, {"Cover_A", 3, S, 1, 0, 0}, {"Cover_B", 4, S, 1, 0, 0},
          {"Cover_C", 5, S, 1, 0, 0}}},
        {"Hab_A", 51, 3, hab},
        {"Hab_B", 52, 3, hab},
        {"Hab_Node_A", 53, 3, {}},
        {"Adaptor_A", 61, 4, adaptor},
        {"Adaptor_B", 62, 4, adaptor},
        {"Tank_A", 71, 5, tank},
        {"DG_Aux_Port_A", 81, 6, aux_port},
        {"DG_Aux_Port_B", 82, 6, aux_port},
        // "Hab_C" and "DG_Hab_Port" keep the ids their parameters have in "Hab_A".
        {"Hab_C", 54, 3, {{"Windows", 1, W, 1, 0, 5}, {"Length", 3, R, 8, 4, 16}}},
        {"DG_Hab_Port", 55, 6, {{"Length", 3, R, 8, 4, 16}}},
        {"Tank_B", 72, 5, tank},
    };
}

std::string to_lower_ascii(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

}  // namespace

void Catalogue::build_catalogue(Context& ctx, const ProgressFn& progress) {
    const std::vector<TypeRow> rows = catalogue_rows();
    const int32_t count = static_cast<int32_t>(rows.size());
    catalogue.clear();
    catalogue.resize(rows.size());
    for (int32_t i = 0; i < count; ++i) {
        const TypeRow& row = rows[static_cast<size_t>(i)];
        blocktyp& entry = catalogue[static_cast<size_t>(i)];
        define_block_type(entry, row.name, row.btype, row.cat, static_cast<int32_t>(row.params.size()), 0);
        for (size_t k = 0; k < row.params.size(); ++k) {
            const ParamRow& p = row.params[k];
            define_param(entry.params[k], p.name, p.id, p.kind, p.def, p.min, p.max);
        }
        build_block_geometry(ctx, entry, true);
        // The fraction is formed in extended precision and rounded once.
        if (progress) progress(0, static_cast<double>(static_cast<long double>(i + 1) / count));
    }
    category_names = {"Power blocks", "Solar power", "Scaffolding", "Habitats", "Adaptors", "Tanks", "Ports"};
}

int32_t Catalogue::find_type(int32_t btype) const {
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].live && catalogue[i].btype == btype) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t Catalogue::find_name(const std::string& name) const {
    const std::string wanted = to_lower_ascii(name);
    for (size_t i = 0; i < catalogue.size(); ++i) {
        if (catalogue[i].live && to_lower_ascii(catalogue[i].name) == wanted) return static_cast<int32_t>(i);
    }
    return -1;
}

}  // namespace quilbet
