// The catalogue command.
#include "cli/catalogue_command.hpp"

#include <iostream>

#include "station/catalogue_listing.hpp"

namespace quilbet {

int run_catalogue(bool json) {
    if (json) {
        std::cout << catalogue_json().dump(2) << "\n";
    } else {
        std::cout << catalogue_text();
    }
    return 0;
}

}  // namespace quilbet
