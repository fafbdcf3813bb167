#include "tools/commun/csv.hpp"

namespace outils {

std::string champ_csv(std::string_view texte)
{
    if (texte.find_first_of(",\"\n\r") == std::string_view::npos)
        return std::string(texte);
    std::string champ = "\"";
    for (char c : texte) {
        if (c == '"')
            champ += '"';
        champ += c;
    }
    return champ + "\"";
}

} // namespace outils
