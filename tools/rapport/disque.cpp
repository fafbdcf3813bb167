#include "tools/rapport/disque.hpp"

#include "common/capture.hpp"
#include "common/cloud_files.hpp"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace rapport {

namespace {

// The number at the start of texte, or nothing.
template <class T>
std::optional<T> nombre_en_tete(std::string_view texte)
{
    T v{};
    const auto [fin, ec] = std::from_chars(texte.data(), texte.data() + texte.size(), v);
    if (ec != std::errc() || fin == texte.data())
        return std::nullopt;
    return v;
}

std::string motif_taille(int nbr_pas)
{
    const std::string cote = std::to_string(static_cast<long long>(nbr_pas) + 1);
    return "la grille n'a pas les " + cote + " x " + cote + " nœuds du dernier échantillonnage de log.txt";
}

} // namespace

std::optional<ReglagesEchantillonnage> reglages_echantillonnage(std::string_view journal)
{
    const std::string_view debut = "execution echantillonnage\n";
    const std::size_t depart = journal.rfind(debut);
    if (depart == std::string_view::npos)
        return std::nullopt;
    std::string_view run = journal.substr(depart + debut.size());
    run = run.substr(0, run.find("execution ")); // up to the next program's run
    ReglagesEchantillonnage r{pipeline::nbr_pas_defaut, pipeline::rayon_capture_defaut};
    const std::string_view perso = "chargement des parametres personnalises... nbr_pas=";
    const std::size_t p = run.find(perso);
    if (p == std::string_view::npos)
        return r;
    std::string_view reste = run.substr(p + perso.size());
    const auto nbr_pas = nombre_en_tete<int>(reste);
    const std::size_t et = reste.find(" et r=");
    if (!nbr_pas || et == std::string_view::npos)
        return std::nullopt;
    const auto rayon = nombre_en_tete<double>(reste.substr(et + 6));
    if (!rayon)
        return std::nullopt;
    r.nbr_pas = *nbr_pas;
    r.r = *rayon;
    return r;
}

NoeudsCapture::NoeudsCapture(ReglagesEchantillonnage reglages)
    : reglages_(reglages), pas_(pipeline::pasGrille(reglages.nbr_pas))
{
    const auto cote = static_cast<std::size_t>(reglages.nbr_pas) + 1;
    noeuds_.resize(cote * cote);
}

void NoeudsCapture::ajouter(double x, double y, double z)
{
    if (std::isnan(z))
        return;
    const pipeline::Capture c = pipeline::capturer(x, y, pas_, reglages_.nbr_pas, reglages_.r);
    if (c.sort != pipeline::Sort::capture)
        return;
    Noeud& n = noeuds_[static_cast<std::size_t>(c.x_g) * (static_cast<std::size_t>(reglages_.nbr_pas) + 1) +
                       static_cast<std::size_t>(c.y_g)];
    ++n.n;
    const double d = z - n.moyenne;
    n.moyenne += d / static_cast<double>(n.n);
    n.ecarts += d * (z - n.moyenne);
}

Disque disque_de_capture(const NoeudsCapture& noeuds, const Grille& grille)
{
    Disque d;
    d.rayon = noeuds.reglages().r;
    const int cote = noeuds.reglages().nbr_pas + 1;
    if (grille.lignes != cote || grille.colonnes != cote) {
        d.motif = motif_taille(noeuds.reglages().nbr_pas);
        return d;
    }
    long long captants = 0, differents = 0;
    double points = 0, etalement = 0;
    for (std::size_t k = 0; k < noeuds.noeuds().size(); ++k) {
        const NoeudsCapture::Noeud& n = noeuds.noeuds()[k];
        // grille.txt lists the nodes x index first; the grid's row is y, its column x.
        const double z = grille.at(static_cast<int>(k % static_cast<std::size_t>(cote)),
                                   static_cast<int>(k / static_cast<std::size_t>(cote)));
        if (n.n == 0) {
            differents += !std::isnan(z);
            continue;
        }
        // grille.txt holds each mean with six decimals.
        if (std::isnan(z) || !(std::fabs(n.moyenne - z) <= 1e-6 + 1e-12 * std::fabs(z)))
            ++differents;
        ++captants;
        points += static_cast<double>(n.n);
        etalement += n.ecarts / static_cast<double>(n.n);
    }
    if (differents > 0) {
        d.motif = "cloud.txt ne donne pas les hauteurs de la grille : " + std::to_string(differents) + " nœud" +
                  (differents > 1 ? "s" : "") + " sur " + std::to_string(noeuds.noeuds().size()) +
                  (differents > 1 ? " diffèrent" : " diffère");
        return d;
    }
    if (captants == 0) {
        d.motif = "aucun point de cloud.txt n'est capté par un nœud";
        return d;
    }
    d.corrige = true;
    d.points_par_noeud = points / static_cast<double>(captants);
    d.decalage = 2.0 * etalement / static_cast<double>(captants);
    return d;
}

namespace {

Disque chercher_disque(const std::filesystem::path& dossier, const Grille& grille)
{
    Disque d;
    std::ifstream journal(dossier / "log.txt", std::ios::binary);
    const std::string texte{std::istreambuf_iterator<char>(journal), std::istreambuf_iterator<char>()};
    const std::optional<ReglagesEchantillonnage> reglages = reglages_echantillonnage(texte);
    if (!reglages || reglages->nbr_pas < 1) {
        d.motif = "log.txt ne dit pas les réglages du dernier échantillonnage";
        return d;
    }
    d.rayon = reglages->r;
    // Before the nodes are set up: a log that tells another grid says nothing of this one.
    if (reglages->nbr_pas + 1LL != grille.lignes || reglages->nbr_pas + 1LL != grille.colonnes) {
        d.motif = motif_taille(reglages->nbr_pas);
        return d;
    }
    auto nuage = pipeline::Reader::open((dossier / "cloud.txt").string());
    if (!nuage) {
        d.motif = "cloud.txt ne peut pas être lu";
        return d;
    }
    NoeudsCapture noeuds(*reglages);
    pipeline::Triplets points(std::move(*nuage));
    while (const auto* p = points.suivant())
        noeuds.ajouter((*p)[0], (*p)[1], (*p)[2]);
    return disque_de_capture(noeuds, grille);
}

} // namespace

Disque lire_disque(const std::filesystem::path& dossier, const Grille& grille)
{
    Disque d = chercher_disque(dossier, grille);
    d.voulu = true;
    return d;
}

} // namespace rapport
