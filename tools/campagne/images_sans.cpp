// Without PLplot the page holds the tables only.
#include "tools/campagne/tables.hpp"

namespace campagne {

std::string image_svg(const std::vector<Mesure>&, const std::string&, const std::string&)
{
    return {};
}

} // namespace campagne
