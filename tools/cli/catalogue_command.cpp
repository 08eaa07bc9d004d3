// The catalogue command.
#include "cli/catalogue_command.hpp"

#include <iostream>

#include "station/catalogue_listing.hpp"
#include "station/catalogue_types.hpp"

namespace quilbet {

int run_catalogue(bool json) {
    CatalogueTypes types;
    if (json) {
        std::cout << catalogue_json(types).dump(2) << "\n";
    } else {
        std::cout << catalogue_text(types);
    }
    return 0;
}

}  // namespace quilbet
