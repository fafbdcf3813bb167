#include "echantillonnage/echantillonnage.hpp"

#include "common/command_line.hpp"
#include "common/grid.hpp"
#include "common/pipeline_files.hpp"
#include "common/progress.hpp"

#include <climits>
#include <cmath>
#include <utility>

namespace echantillonnage {

namespace {

// Reads the text made of the typed word into the value with the conversion; a
// sentence for avis when it is not wholly a number, or nothing.
template <class T>
std::string lireReglage(const std::string& mot, const std::string& texte,
                        pipeline::ScanFormat<std::type_identity_t<T>> conversion, T& valeur,
                        const char* nom)
{
    pipeline::Reader lecture = pipeline::Reader::over_text(texte);
    const bool lu = lecture.scan(conversion, valeur) == 1;
    if (lu && lecture.at_end())
        return {};
    if (lu)
        return std::string(nom) + " \"" + mot + "\" n'est pas entierement un nombre : " + std::to_string(valeur) +
               " est utilise";
    return std::string(nom) + " \"" + mot + "\" n'est pas un nombre : la valeur par defaut " +
           std::to_string(valeur) + " est utilisee";
}

} // namespace

Parametres lireParametres(const std::vector<std::string>& arguments)
{
    Parametres p;
    if (arguments.size() != 2) {
        if (!arguments.empty())
            p.avis.push_back("2 arguments attendus (nombre de pas et rayon de capture), " +
                             std::to_string(arguments.size()) +
                             " recus : les valeurs par defaut nbr_pas=200 et r=0.200000 sont utilisees");
        return p;
    }
    p.personnalises = true;
    for (std::string avis : {lireReglage(arguments[0], arguments[0], "%d", p.nbr_pas, "le nombre de pas"),
                             lireReglage(arguments[1], pipeline::decimal_comma(arguments[1]), "%lf", p.r,
                                         "le rayon de capture")})
        if (!avis.empty())
            p.avis.push_back(std::move(avis));
    return p;
}

bool grillesAllouables(int nbr_pas, std::uint64_t memoire_disponible)
{
    if (nbr_pas < 1)
        return false;
    const std::uint64_t cote = static_cast<std::uint64_t>(nbr_pas) + 1;
    const std::uint64_t noeuds = cote * cote;
    if (noeuds > static_cast<std::uint64_t>(INT_MAX)) // nodes are numbered with an int in grille.m
        return false;
    const std::uint64_t octets =
        noeuds * (sizeof(double) + sizeof(int)) + cote * (sizeof(std::vector<double>) + sizeof(std::vector<int>));
    return octets <= memoire_disponible;
}

Grilles reserverGrilles(int nbr_pas, double r)
{
    Grilles g;
    g.nbr_pas = nbr_pas;
    g.pas = pipeline::pasGrille(nbr_pas);
    g.r = r;
    const auto cote = static_cast<std::size_t>(nbr_pas) + 1;
    g.grille.assign(cote, std::vector<double>(cote, 0.0));
    g.n_grille.assign(cote, std::vector<int>(cote, 0));
    return g;
}

Sort placerPoint(Grilles& g, double x, double y, double z)
{
    if (std::isnan(z))
        return Sort::rejete;
    const pipeline::Capture c = pipeline::capturer(x, y, g.pas, g.nbr_pas, g.r);
    if (c.sort == Sort::capture) {
        g.grille[c.x_g][c.y_g] += z;
        ++g.n_grille[c.x_g][c.y_g];
    }
    return c.sort;
}

BilanLecture lireNuage(pipeline::Triplets& cloud, Grilles& g)
{
    BilanLecture bilan;
    pipeline::Progress progression("echantillonnage");
    while (const auto* p = cloud.suivant()) {
        ++bilan.points;
        progression.step();
        if (placerPoint(g, (*p)[0], (*p)[1], (*p)[2]) == Sort::rejete)
            ++bilan.rejetes;
    }
    bilan.interrompue = cloud.interrompue();
    return bilan;
}

int ecrireGrilles(Grilles& g, pipeline::Writer& grille_txt, pipeline::Writer& grille_m)
{
    const int cote = g.nbr_pas + 1;
    pipeline::ecrireEnTete(grille_txt, g.nbr_pas, g.nbr_pas, g.pas);
    grille_m.print("GRILLE=zeros(%d,%d);\n", cote, cote);
    grille_m.print("GRILLE_X=zeros(%d,1);\n", cote * cote);
    grille_m.print("GRILLE_Y=zeros(%d,1);\n", cote * cote);
    int points_vide = 0;
    int a = 0;
    for (int i = 0; i < cote; ++i)
        for (int j = 0; j < cote; ++j) {
            ++a;
            double& noeud = g.grille[i][j];
            if (g.n_grille[i][j] < 1) {
                noeud = pipeline::marqueur_vide;
                ++points_vide;
            } else {
                noeud /= g.n_grille[i][j];
            }
            pipeline::ecrireHauteur(grille_txt, noeud);
            grille_m.print("GRILLE(%d,%d)=%lf;\n", i + 1, j + 1, noeud);
            grille_m.print("GRILLE_X(%d)=%d;\n", a, i);
            grille_m.print("GRILLE_Y(%d)=%d;\n", a, j);
        }
    return points_vide;
}

double partVide(int points_vide, int nbr_pas)
{
    const double cote = static_cast<double>(nbr_pas) + 1.0;
    return 100.0 * points_vide / (cote * cote);
}

} // namespace echantillonnage
