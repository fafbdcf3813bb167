#include "markerpick/markerpick.hpp"

#include "common/progress.hpp"

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

// Writes one marker point to its marker file and to the display scripts.
void ecrirePoint(Writer& coin, pipeline::ProgramFiles& s, const pipeline::Sommet& v, bool premier)
{
    coin.print("%lf %lf %lf\n", v.x, v.y, v.z);
    s.writer(pos_x).print("%lf ", v.x);
    s.writer(pos_y).print("%lf ", v.y);
    s.writer(pos_z).print("%lf ", v.z);
    s.writer(color).text(premier ? "[" : ";[");
    s.writer(color).print("%d %d %d]", v.rgb[0], v.rgb[1], v.rgb[2]);
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

Comptes trierPoints(pipeline::Nuage& nuage, pipeline::ProgramFiles& s, const Parametres& p)
{
    s.writer(pos_x).text("X=[");
    s.writer(pos_y).text("Y=[");
    s.writer(pos_z).text("Z=[");
    s.writer(color).text("C=[");
    Comptes comptes;
    pipeline::Progress progression("markerpick");
    while (const pipeline::Sommet* v = nuage.suivant()) {
        ++comptes.lus;
        progression.step();
        const bool premier = comptes.total() == 0;
        switch (classerCouleur(v->rgb, p)) {
        case Coin::X:
            ecrirePoint(s.writer(coin_X), s, *v, premier);
            ++comptes.nbr_X;
            break;
        case Coin::O:
            ecrirePoint(s.writer(coin_O), s, *v, premier);
            ++comptes.nbr_O;
            break;
        case Coin::Y:
            ecrirePoint(s.writer(coin_Y), s, *v, premier);
            ++comptes.nbr_Y;
            break;
        case Coin::aucun:
            break;
        }
    }
    comptes.fichier_fautif = nuage.fichier_fautif();
    for (Sortie script : {pos_x, pos_y, pos_z, color})
        s.writer(script).text("];");
    return comptes;
}

} // namespace markerpick
