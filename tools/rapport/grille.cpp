#include "tools/rapport/grille.hpp"

#include "common/grid.hpp"
#include "common/line_io.hpp"
#include "common/repere.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace rapport {

namespace {

bool blanc(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A word of the file as a one-line message can show it: control characters
// made '?', and cut after 40 bytes.
std::string mot_lisible(std::string_view mot)
{
    std::string texte;
    for (char c : mot.substr(0, 40))
        texte += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    if (mot.size() > 40)
        texte += "...";
    return texte;
}

enum class Lecture { nombre, pas_un_nombre, non_fini };

// A whole word read as a decimal number (an optional sign, digits, point,
// exponent; "nan" and "inf" too, which are then not finite).
Lecture lire_nombre(std::string_view mot, double& h)
{
    if (mot.size() > 1 && mot[0] == '+' && mot[1] != '-' && mot[1] != '+')
        mot.remove_prefix(1);
    const char* fin = mot.data() + mot.size();
    const auto [lu, erreur] = std::from_chars(mot.data(), fin, h);
    if (lu != fin || (erreur != std::errc() && erreur != std::errc::result_out_of_range))
        return Lecture::pas_un_nombre;
    if (erreur == std::errc::result_out_of_range) {
        // Beyond the doubles: too large is infinite, too small is 0 or a
        // subnormal number, as the C library reads them.
        const std::string texte(mot);
        h = std::strtod(texte.c_str(), nullptr);
    }
    return std::isfinite(h) ? Lecture::nombre : Lecture::non_fini;
}

} // namespace

long long Grille::cellules_reelles() const
{
    long long n = 0;
    for (double h : z)
        n += !std::isnan(h);
    return n;
}

Grille lire_grille(const std::string& fichier)
{
    auto lecteur = pipeline::Reader::open(fichier);
    if (!lecteur)
        throw Erreur("impossible d'ouvrir le fichier " + fichier);
    pipeline::EnTeteGrille en_tete;
    switch (pipeline::lireEnTete(*lecteur, en_tete)) {
    case pipeline::LectureEnTete::illisible:
        throw Erreur(fichier + " : l'en-tete ne donne pas les nombres de pas et le pas (forme attendue AxBxpas)");
    case pipeline::LectureEnTete::negatif:
        throw Erreur(fichier + " : l'en-tete donne un nombre de pas negatif");
    case pipeline::LectureEnTete::lu:
        break;
    }
    const int A = en_tete.pas_lignes, B = en_tete.pas_colonnes;
    const double pas = en_tete.pas;
    if (!(pas > 0.0) || !std::isfinite(pas))
        throw Erreur(fichier + " : le pas de la grille doit etre un nombre positif");
    const long long cellules = (static_cast<long long>(A) + 1) * (static_cast<long long>(B) + 1);
    if (cellules > (1LL << 31))
        throw Erreur(fichier + " : grille trop grande");
    Grille g;
    g.lignes = A + 1;
    g.colonnes = B + 1;
    g.pas = pas;
    // The heights are gathered as the file gives them (column after column)
    // before the grid is made: a header that announces far more heights than
    // the file holds costs no memory. The rest of the header's line comes
    // first, as line 1.
    std::vector<double> lues;
    lues.reserve(static_cast<std::size_t>(std::min<long long>(cellules, 1 << 20)));
    long long ligne = 1;
    std::string texte;
    while (lecteur->read_line(texte)) {
        const char* p = texte.data();
        const char* const fin = p + texte.size();
        for (;;) {
            while (p < fin && blanc(*p))
                ++p;
            const char* const debut = p;
            while (p < fin && !blanc(*p))
                ++p;
            if (p == debut)
                break;
            if (static_cast<long long>(lues.size()) == cellules) {
                ++g.hauteurs_en_trop;
                continue;
            }
            const std::string_view mot(debut, static_cast<std::size_t>(p - debut));
            double h = 0.0;
            switch (lire_nombre(mot, h)) {
            case Lecture::pas_un_nombre:
                throw Erreur(fichier + ", ligne " + std::to_string(ligne) + " : \"" + mot_lisible(mot) + "\" n'est pas un nombre (hauteur " +
                             std::to_string(lues.size() + 1) + " sur " + std::to_string(cellules) + ")");
            case Lecture::non_fini:
                throw Erreur(fichier + ", ligne " + std::to_string(ligne) + " : la hauteur \"" + mot_lisible(mot) + "\" n'est pas un nombre fini");
            case Lecture::nombre:
                break;
            }
            lues.push_back(pipeline::reel_tolerance(h) ? h : std::numeric_limits<double>::quiet_NaN());
        }
        if (!texte.empty() && texte.back() == '\n')
            ++ligne;
    }
    if (static_cast<long long>(lues.size()) < cellules)
        throw Erreur(fichier + " : trop peu de hauteurs (" + std::to_string(lues.size()) + " lues, " +
                     std::to_string(cellules) + " attendues pour une grille de " + std::to_string(g.lignes) + " x " +
                     std::to_string(g.colonnes) + ")");
    g.z.resize(static_cast<std::size_t>(cellules));
    for (int i = 0; i < g.lignes; ++i)
        for (int j = 0; j < g.colonnes; ++j)
            g.at(i, j) = lues[static_cast<std::size_t>(pipeline::rangDeHauteur(i, j, g.lignes))];
    return g;
}

std::string avertissement_en_trop(const Grille& grille, const std::string& fichier)
{
    if (grille.hauteurs_en_trop == 0)
        return {};
    return fichier + " : " + std::to_string(grille.hauteurs_en_trop) + " valeur" +
           (grille.hauteurs_en_trop > 1 ? "s" : "") + " apres les " + std::to_string(grille.cellules()) +
           " hauteurs qu'annonce l'en-tete (" + std::to_string(grille.lignes) + " x " +
           std::to_string(grille.colonnes) + "), ignoree" + (grille.hauteurs_en_trop > 1 ? "s" : "");
}

void verifier_grille(const Grille& grille, const std::string& fichier)
{
    if (grille.lignes < 2 || grille.colonnes < 2)
        throw Erreur(fichier + " : la grille n'a qu'une ligne ou qu'une colonne (" + std::to_string(grille.lignes) +
                     " x " + std::to_string(grille.colonnes) + ") : pas de fonction de correlation");
    double premiere = std::numeric_limits<double>::quiet_NaN();
    bool differentes = false;
    for (double h : grille.z) {
        if (std::isnan(h))
            continue;
        if (std::isnan(premiere))
            premiere = h;
        else if (h != premiere) {
            differentes = true;
            break;
        }
    }
    if (std::isnan(premiere))
        throw Erreur(fichier + " : aucune cellule reelle (toutes valent 10000)");
    if (!differentes)
        throw Erreur(fichier + " : toutes les hauteurs sont egales : surface sans rugosite");
}

CellulesVides cellules_vides(const Grille& grille, bool dans_le_cadre)
{
    CellulesVides c;
    for (int i = 0; i < grille.lignes; ++i) {
        const double y = static_cast<double>(i) * grille.pas;
        for (int j = 0; j < grille.colonnes; ++j) {
            const double x = static_cast<double>(j) * grille.pas;
            if (dans_le_cadre && !pipeline::dansLeCadre(x, y))
                continue;
            ++c.comptees;
            c.vides += std::isnan(grille.at(i, j));
        }
    }
    return c;
}

} // namespace rapport
