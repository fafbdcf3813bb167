// rugosite-campagne-outil: the compiled half of rugosite-campagne (a shell
// script). Two modes:
//   marque champ=valeur...   in a worked measurement folder, writes its
//                            completion marker campagne-fait.json (atomically)
//                            from the files that the run left there;
//   tables SORTIE LISTE      joins the markers of the folders listed in the
//                            file LISTE (one a line) into campagne.csv,
//                            campagne.json and campagne.html in SORTIE.
// Status 0 done, 1 refused arguments or a file that can't be read or written.
#include "tools/campagne/tables.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    const std::vector<std::string> mots(argv + 1, argv + argc);
    try {
        if (!mots.empty() && mots[0] == "marque") {
            std::vector<std::pair<std::string, std::string>> champs;
            for (std::size_t i = 1; i < mots.size(); ++i) {
                const auto egal = mots[i].find('=');
                if (egal == std::string::npos) {
                    std::cerr << "rugosite-campagne-outil : champ sans '=' : " << mots[i] << "\n";
                    return 1;
                }
                champs.emplace_back(mots[i].substr(0, egal), mots[i].substr(egal + 1));
            }
            const auto m = campagne::marque(fs::current_path(), champs);
            campagne::ecrire_atomique(campagne::fichier_marque, m.dump(1) + "\n");
            return 0;
        }
        if (mots.size() == 3 && mots[0] == "tables") {
            std::ifstream liste(mots[2]);
            if (!liste) {
                std::cerr << "rugosite-campagne-outil : liste illisible : " << mots[2] << " : " << std::strerror(errno)
                          << "\n";
                return 1;
            }
            std::vector<campagne::Mesure> mesures;
            std::string dossier;
            while (std::getline(liste, dossier))
                if (!dossier.empty())
                    mesures.push_back(campagne::lire_mesure(dossier));
            campagne::ecrire_tables(mots[1], mesures);
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "rugosite-campagne-outil : " << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage : rugosite-campagne-outil marque champ=valeur... | tables SORTIE LISTE\n"
                 "(outil interne de rugosite-campagne)\n";
    return 1;
}
