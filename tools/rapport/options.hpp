// The command line of rugosite-rapport, in French.
#pragma once

#include "tools/rapport/rapport.hpp"

#include <string>
#include <vector>

namespace rapport {

struct LigneCommande {
    Reglages reglages;
    bool aide = false;
    std::string erreur; // empty when the words were understood
};

LigneCommande lire_options(const std::vector<std::string>& mots);

extern const char* const texte_aide;

} // namespace rapport
