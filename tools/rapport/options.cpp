#include "tools/rapport/options.hpp"

#include <charconv>
#include <limits>

namespace rapport {

const char* const texte_aide =
    "usage : rugosite-rapport [options] [grille]\n"
    "Lit la grille de hauteurs (grille.txt du dossier courant par defaut), la nivelle, calcule les\n"
    "parametres de hauteur et de texture (Sal, Str, Sdq, Sdr, portance...), la fonction de\n"
    "correlation hauteur-hauteur (commune et par direction), ajuste les modeles exponentiel et\n"
    "gaussien et l'intervalle a 95 % de sigma et de L par bootstrap.\n"
    "Ecrit rapport.json, rapport.csv et rapport.html dans le dossier de la grille.\n"
    "options :\n"
    "  --nivellement N   plan_moyen, plan ou polynome2 (plan) ; ou une reference par ligne de la\n"
    "                    grille : lignes, colonnes (une droite chacune), lignes_moyenne,\n"
    "                    colonnes_moyenne (sa moyenne)\n"
    "  --plage P         regle de la plage d'ajustement : longueurs (jusqu'a quelques L ajustees,\n"
    "                    par defaut) ou reliefstat (la coupe de reliefstat)\n"
    "  --rayons R        ajuster les R premiers rayons (remplace --plage)\n"
    "  --fonction F      fonction commune ajustee : toutes_paires (toutes les paires des deux\n"
    "                    directions, par defaut) ou reliefstat (celle de reliefstat)\n"
    "  --tirages K       surfaces simulees par modele pour les intervalles, 0 : aucun (100)\n"
    "  --graine G        graine du bootstrap (1)\n"
    "  --fils T          fils de calcul du bootstrap (2)\n"
    "  --route R         manuelle (cm) ou photogrammetrique (% du cote du cadre) ;\n"
    "                    par defaut : d'apres les fichiers du dossier\n"
    "  --pepite P        libre (ajuster aussi un decalage de H a l'origine) ou nulle (par defaut)\n"
    "  --disque D        oui (par defaut) : sur la route photogrammetrique, rendre a H ce que le\n"
    "                    disque de capture d'echantillonnage lui retire (d'apres cloud.txt et\n"
    "                    log.txt) ; non : ajuster H des moyennes des disques telle quelle\n"
    "  --aide, -h, --help  ce texte\n"
    "Statut de sortie : 0 rapport ecrit (une partie qui echoue y est marquee \"echec\") ;\n"
    "  1 grille absente ou illisible, option invalide, ou rapport impossible a ecrire\n"
    "  (aucun fichier rapport.* n'est alors change).\n";

namespace {

template <class T>
bool entier(const std::string& texte, T& valeur, T minimum, T maximum)
{
    T v{};
    const auto [fin, ec] = std::from_chars(texte.data(), texte.data() + texte.size(), v);
    if (ec != std::errc() || fin != texte.data() + texte.size() || v < minimum || v > maximum)
        return false;
    valeur = v;
    return true;
}

} // namespace

LigneCommande lire_options(const std::vector<std::string>& mots)
{
    LigneCommande l;
    bool fichier_donne = false;
    for (std::size_t i = 0; i < mots.size(); ++i) {
        const std::string& mot = mots[i];
        if (mot == "--aide" || mot == "-h" || mot == "--help") {
            l.aide = true;
            continue;
        }
        if (mot.rfind("--", 0) == 0) {
            if (i + 1 >= mots.size()) {
                l.erreur = "l'option " + mot + " attend une valeur";
                return l;
            }
            const std::string& valeur = mots[++i];
            Reglages& r = l.reglages;
            bool bon = true;
            if (mot == "--nivellement") {
                const auto n = nivellement_nomme(valeur);
                bon = n.has_value();
                if (n)
                    r.nivellement = *n;
            } else if (mot == "--rayons") {
                int v = 0;
                bon = entier(valeur, v, 3, 1 << 30);
                if (bon)
                    r.rayons = v;
            } else if (mot == "--plage") {
                if (valeur == "longueurs")
                    r.plage = RegleMesure::longueurs;
                else if (valeur == "reliefstat")
                    r.plage = RegleMesure::reliefstat;
                else
                    bon = false;
            } else if (mot == "--fonction") {
                if (valeur == "toutes_paires")
                    r.fonction = FonctionMesure::toutes_paires;
                else if (valeur == "reliefstat")
                    r.fonction = FonctionMesure::reliefstat;
                else
                    bon = false;
            } else if (mot == "--tirages") {
                bon = entier(valeur, r.K, 0, 100000);
            } else if (mot == "--graine") {
                bon = entier(valeur, r.graine, std::uint64_t{0}, std::numeric_limits<std::uint64_t>::max());
            } else if (mot == "--fils") {
                bon = entier(valeur, r.fils, 1, 64);
            } else if (mot == "--route") {
                if (valeur == "manuelle")
                    r.route = Route::manuelle;
                else if (valeur == "photogrammetrique")
                    r.route = Route::photogrammetrique;
                else
                    bon = false;
            } else if (mot == "--disque") {
                if (valeur == "oui" || valeur == "non")
                    r.disque = valeur == "oui";
                else
                    bon = false;
            } else if (mot == "--pepite") {
                if (valeur == "libre" || valeur == "nulle")
                    r.pepite = valeur == "libre";
                else
                    bon = false;
            } else {
                l.erreur = "option inconnue : " + mot + " (voir --aide)";
                return l;
            }
            if (!bon) {
                l.erreur = "valeur invalide pour " + mot + " : " + valeur;
                return l;
            }
            continue;
        }
        if (fichier_donne) {
            l.erreur = "un seul fichier de grille : " + mot + " en trop";
            return l;
        }
        l.reglages.fichier = mot;
        fichier_donne = true;
    }
    return l;
}

} // namespace rapport
