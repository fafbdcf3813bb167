// rugosite-rapport: the roughness report of one measurement folder.
#include "tools/rapport/options.hpp"
#include "tools/rapport/rapport.hpp"

#ifdef RAPPORT_AVEC_PAGE
#include "tools/rapport/page/page.hpp"
#endif

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void message(const std::string& texte)
{
    std::fprintf(stderr, "rugosite-rapport : %s\n", texte.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const rapport::LigneCommande ligne = rapport::lire_options(std::vector<std::string>(argv + 1, argv + argc));
    if (ligne.aide) {
        std::fputs(rapport::texte_aide, stdout);
        return 0;
    }
    if (!ligne.erreur.empty()) {
        message(ligne.erreur);
        return 1;
    }
    rapport::Reglages reglages = ligne.reglages;
    reglages.progression = true; // shown only when standard error is a terminal
    try {
        const fs::path grille_chemin(reglages.fichier);
        fs::path dossier = grille_chemin.parent_path();
        if (dossier.empty())
            dossier = ".";
        const rapport::Grille grille = rapport::lire_grille(reglages.fichier);
        const rapport::Route route = reglages.route ? *reglages.route : rapport::route_du_dossier(dossier);
        rapport::Disque disque;
        if (route == rapport::Route::photogrammetrique) {
            if (!reglages.disque)
                disque.motif = "--disque non";
            else if (reglages.fonction == rapport::FonctionMesure::reliefstat)
                disque.motif = "--fonction reliefstat ajuste la fonction de reliefstat telle quelle";
            else
                disque = rapport::lire_disque(dossier, grille);
        }
        const rapport::Rapport r = rapport::etablir_rapport(grille, reglages, route, disque);
        for (const std::string& a : r.avertissements)
            message("avertissement : " + a);
        std::vector<std::pair<fs::path, std::string>> fichiers = {
            {dossier / "rapport.json", r.json.dump(1) + "\n"},
            {dossier / "rapport.csv", r.csv},
        };
#ifdef RAPPORT_AVEC_PAGE
        fichiers.emplace_back(dossier / "rapport.html",
                              rapport::page_html(r.json, grille.lignes, grille.colonnes, r.nivelees));
#endif
        rapport::ecrire_fichiers(fichiers);
        for (const auto& [chemin, contenu] : fichiers)
            std::printf("rapport ecrit : %s\n", chemin.string().c_str());
    } catch (const rapport::Erreur& e) {
        message(e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        message("memoire insuffisante");
        return 1;
    }
    return 0;
}
