#include "markerpick/markerpick.hpp"

#include "common/progress.hpp"
#include "common/two_stage.hpp"

#include "common/command_line.hpp"
#include "common/log_time.hpp"
#include "common/pipeline_files.hpp"

#include <cstdlib>
#include <string>
#include <utility>

namespace markerpick {

namespace {

int scanCode(std::string_view mot, CodeRgb& code)
{
    return Reader::over_text(mot).scan("%d,%d,%d", code[0], code[1], code[2]);
}

std::optional<Reader> ouvrirLecture(const char* nom, Writer& ecran, Writer& log)
{
    int erreur = 0;
    auto fichier = Reader::open(nom, erreur);
    if (!fichier) {
        pipeline::report_failure(ecran, log,
                                 std::string("Le fichier ") + nom + " n'a pas pu etre ouvert...arret du programme\n");
        pipeline::diagnose_file(ecran, "markerpick", "impossible d'ouvrir", nom, erreur);
    }
    return fichier;
}

std::optional<Writer> ouvrirEcriture(const char* nom, Writer& ecran, Writer& log)
{
    int erreur = 0;
    auto fichier = Writer::open(nom, "w", erreur);
    if (!fichier) {
        pipeline::report_failure(ecran, log,
                                 std::string("Le fichier ") + nom + " n'a pas pu etre cree...arret du programme\n");
        pipeline::diagnose_file(ecran, "markerpick", "impossible de creer", nom, erreur);
    }
    return fichier;
}

// Writes one marker point to its marker file and to the display scripts.
void ecrirePoint(Writer& coin, Sorties& s, const NumberText& x, const NumberText& y, const NumberText& z,
                 const CodeRgb& c, bool premier)
{
    coin.print("%lf %lf %lf\n", x, y, z);
    s.pos_x.print("%lf ", x);
    s.pos_y.print("%lf ", y);
    s.pos_z.print("%lf ", z);
    s.color.text(premier ? "[" : ";[");
    s.color.print("%d %d %d]", c[0], c[1], c[2]);
}

} // namespace

std::vector<std::string> lireArguments(std::string_view o, std::string_view x, std::string_view y,
                                       std::string_view delta, Parametres& p)
{
    std::vector<std::string> incomplets;
    const std::pair<std::string_view, CodeRgb*> codes[] = {{o, &p.code_rgb_o}, {x, &p.code_rgb_x}, {y, &p.code_rgb_y}};
    const char* coins[] = {"O", "X", "Y"};
    for (int k = 0; k < 3; ++k)
        if (scanCode(codes[k].first, *codes[k].second) != 3)
            incomplets.push_back(std::string("la couleur du coin ") + coins[k] + " \"" + std::string(codes[k].first) +
                                 "\" n'a pas trois valeurs r,g,b");
    if (Reader::over_text(pipeline::decimal_comma(delta)).scan("%lf", p.delta_c) != 1)
        incomplets.push_back("la tolerance \"" + std::string(delta) + "\" n'est pas un nombre");
    return incomplets;
}

bool couleurProche(const CodeRgb& couleur, const CodeRgb& code, double delta_c)
{
    for (int k = 0; k < 3; ++k) {
        // in a wider type: codes from the command line may be any int
        const long long ecart = std::llabs(static_cast<long long>(couleur[k]) - code[k]);
        if (!(delta_c > static_cast<double>(ecart)))
            return false;
    }
    return true;
}

Coin classerCouleur(const CodeRgb& couleur, const Parametres& p)
{
    if (couleurProche(couleur, p.code_rgb_x, p.delta_c))
        return Coin::X;
    if (couleurProche(couleur, p.code_rgb_o, p.delta_c))
        return Coin::O;
    if (couleurProche(couleur, p.code_rgb_y, p.delta_c))
        return Coin::Y;
    return Coin::aucun;
}

std::optional<Entrees> ouvrirNuage(Reader f_color, Writer& ecran, Writer& log)
{
    auto f_x = ouvrirLecture(pipeline::fichier_x, ecran, log);
    if (!f_x)
        return std::nullopt;
    auto f_y = ouvrirLecture(pipeline::fichier_y, ecran, log);
    if (!f_y)
        return std::nullopt;
    auto f_z = ouvrirLecture(pipeline::fichier_z, ecran, log);
    if (!f_z)
        return std::nullopt;
    return Entrees{std::move(f_color), std::move(*f_x), std::move(*f_y), std::move(*f_z)};
}

std::optional<Sorties> ouvrirSorties(Writer& ecran, Writer& log)
{
    const char* noms[] = {"posX.m",
                          "posY.m",
                          "posZ.m",
                          "color_coins.m",
                          pipeline::fichier_coin_Y,
                          pipeline::fichier_coin_O,
                          pipeline::fichier_coin_X,
                          pipeline::fichier_nbr_point_par_coin};
    std::optional<Writer> f[8];
    for (int i = 0; i < 8; ++i)
        if (!(f[i] = ouvrirEcriture(noms[i], ecran, log)))
            return std::nullopt;
    return Sorties{std::move(*f[0]), std::move(*f[1]), std::move(*f[2]), std::move(*f[3]),
                   std::move(*f[4]), std::move(*f[5]), std::move(*f[6]), std::move(*f[7])};
}

Comptes trierPoints(Entrees& nuage, Sorties& sorties, const Parametres& p)
{
    // y and z are read on a core of their own, in step with the colours and x
    // read here; a y or z that can't be read ends the scan where it stands.
    // The coordinates are checked as "%lf" reads them and kept as read: only
    // those of the marker points are written, and converted only when their
    // digits do not give the text "%lf" writes.
    struct Hauteur {
        NumberText y, z;
        const char* fichier_fautif = nullptr;
    };
    Comptes comptes;
    CodeRgb c{};
    NumberText x, y, z;
    pipeline::Progress progression("markerpick");
    bool yz_fini = false;
    pipeline::two_stage<Hauteur>(
        [&](Hauteur& h) {
            if (yz_fini)
                return false;
            if (nuage.f_y.scan("%lf\n", y) != 1)
                h.fichier_fautif = pipeline::fichier_y;
            else if (nuage.f_z.scan("%lf\n", z) != 1)
                h.fichier_fautif = pipeline::fichier_z;
            h.y = y;
            h.z = z;
            yz_fini = h.fichier_fautif != nullptr;
            return true;
        },
        [&](const Hauteur& h) {
            const int lecture = nuage.f_color.scan("%d %d %d\n", c[0], c[1], c[2]);
            if (lecture != 3) {
                if (lecture != pipeline::fin_de_fichier)
                    comptes.fichier_fautif = pipeline::fichier_color;
                return false;
            }
            if (nuage.f_x.scan("%lf\n", x) != 1)
                comptes.fichier_fautif = pipeline::fichier_x;
            else
                comptes.fichier_fautif = h.fichier_fautif;
            if (comptes.fichier_fautif)
                return false;
            ++comptes.lus;
            progression.step();

            const bool premier = comptes.total() == 0;
            switch (classerCouleur(c, p)) {
            case Coin::X:
                ecrirePoint(sorties.coin_X, sorties, x, h.y, h.z, c, premier);
                ++comptes.nbr_X;
                break;
            case Coin::O:
                ecrirePoint(sorties.coin_O, sorties, x, h.y, h.z, c, premier);
                ++comptes.nbr_O;
                break;
            case Coin::Y:
                ecrirePoint(sorties.coin_Y, sorties, x, h.y, h.z, c, premier);
                ++comptes.nbr_Y;
                break;
            case Coin::aucun:
                break;
            }
            return true;
        });
    return comptes;
}

const char* fermerSorties(Sorties& s, int& erreur)
{
    const std::pair<Writer*, const char*> toutes[] = {
        {&s.pos_x, "posX.m"},
        {&s.pos_y, "posY.m"},
        {&s.pos_z, "posZ.m"},
        {&s.color, "color_coins.m"},
        {&s.coin_Y, pipeline::fichier_coin_Y},
        {&s.coin_O, pipeline::fichier_coin_O},
        {&s.coin_X, pipeline::fichier_coin_X},
        {&s.nbr_point_coin, pipeline::fichier_nbr_point_par_coin},
    };
    const char* premier_echec = nullptr;
    for (const auto& [fichier, nom] : toutes)
        if (!fichier->close() && !premier_echec) {
            premier_echec = nom;
            erreur = fichier->error();
        }
    return premier_echec;
}

} // namespace markerpick
