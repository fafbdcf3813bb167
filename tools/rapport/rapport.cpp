#include "tools/rapport/rapport.hpp"
#include "tools/rapport/cles_texture.hpp"
#include "tools/rapport/texture_json.hpp"

#include "tools/rapport/correlation.hpp"

#include "tools/commun/csv.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rapport {

using nlohmann::json;

Route route_du_dossier(const std::filesystem::path& dossier)
{
    for (const char* f : {"option-0000.ply", "cloud.txt", "base.txt", "f_x.txt", "coin_O.txt"}) {
        std::error_code ec;
        if (std::filesystem::exists(dossier / f, ec))
            return Route::photogrammetrique;
    }
    return Route::manuelle;
}

namespace {

json nombre(double v)
{
    return std::isfinite(v) ? json(v) : json(nullptr);
}

json hauteurs_json(const Hauteurs& h)
{
    return {{"Sq", nombre(h.Sq)}, {"Sa", nombre(h.Sa)}, {"Ssk", nombre(h.Ssk)}, {"Sku", nombre(h.Sku)},
            {"Sp", nombre(h.Sp)}, {"Sv", nombre(h.Sv)}, {"Sz", nombre(h.Sz)}};
}

json ajustement_json(const Ajustement& a)
{
    json o = {{"sigma", nombre(a.sigma)},   {"L", nombre(a.L)},           {"erreur_sigma", nombre(a.erreur_sigma)},
              {"erreur_L", nombre(a.erreur_L)}, {"residu", nombre(a.residu)}, {"rayons", a.rayons}};
    if (a.pepite_libre)
        o["pepite"] = nombre(a.pepite);
    return o;
}

// A fit with its verdict; without a fit, the reason under "echec".
json ajustement_json(const AjustementMesure& m)
{
    json o = m.a ? ajustement_json(*m.a) : json{{"echec", m.motif}};
    o["resolu"] = m.resolu;
    o["motif"] = m.motif;
    return o;
}

// A function's H and pair counts over n separations, null (and 0 pairs) where
// it has no pairs or no entry.
void tableaux(const Fonction& f, std::size_t n, json& H, json& paires)
{
    H = json::array();
    paires = json::array();
    for (std::size_t e = 0; e < n; ++e) {
        const bool present = e < f.taille() && f.paires[e] > 0;
        H.push_back(present ? nombre(f.H(e)) : json(nullptr));
        paires.push_back(e < f.taille() ? static_cast<long long>(f.paires[e]) : 0LL);
    }
}

} // namespace

bool surface_plate(const Grille& grille, const std::vector<double>& nivelees)
{
    double haut = 0, carres = 0;
    long long n = 0;
    for (std::size_t k = 0; k < grille.z.size(); ++k)
        if (!std::isnan(grille.z[k])) {
            haut = std::max(haut, std::fabs(grille.z[k]));
            carres += nivelees[k] * nivelees[k];
            ++n;
        }
    const double Sq = n > 0 ? std::sqrt(carres / static_cast<double>(n)) : 0.0;
    return Sq <= seuil_plate * haut;
}

namespace {

// The units of the road's figures.
json unites(bool manuelle)
{
    return {{"route", manuelle ? "manuelle" : "photogrammetrique"},
            {"longueur", manuelle ? "cm" : "% du cote du cadre"},
            {"H", manuelle ? "cm²" : "(% du cote du cadre)²"},
            {"Ssk", "sans unite"},
            {"Sku", "sans unite"}};
}

// Heights for the three global levellings, and for a line levelling when it
// is the one chosen; the chosen one also feeds the correlation (kept in
// rapport.nivelees). A failure of the chosen one is the report's.
json hauteurs_niveaux(const Grille& grille, Nivellement choisi, Rapport& rapport)
{
    std::vector<Nivellement> a_calculer(nivellements.begin(), nivellements.end());
    if (std::find(a_calculer.begin(), a_calculer.end(), choisi) == a_calculer.end())
        a_calculer.push_back(choisi);
    json hauteurs = json::object();
    for (Nivellement n : a_calculer) {
        try {
            std::vector<double> z = niveler(grille, n);
            hauteurs[nom(n)] = hauteurs_json(parametres_hauteur(z));
            if (n == choisi)
                rapport.nivelees = std::move(z);
        } catch (const Erreur& e) {
            hauteurs[nom(n)] = {{"echec", e.what()}};
            if (n == choisi)
                throw;
        }
    }
    return hauteurs;
}

// A surface flat to rounding: every fit carries the reason, and the chosen
// levelling's skewness and kurtosis, those of rounding noise, mean nothing.
void marquer_plate(Nivellement choisi, Estimation (&estimations)[2], json& hauteurs, Rapport& rapport)
{
    const std::string motif = "surface plate : le nivellement " + std::string(nom(choisi)) +
                              " ne laisse que des erreurs d'arrondi, pas de σ, de L ni d'intervalle";
    for (Estimation& e : estimations)
        for (AjustementMesure* m : {&e.commune, &e.direction[0], &e.direction[1]})
            m->motif = motif;
    rapport.avertissements.push_back(motif);
    hauteurs[nom(choisi)]["Ssk"] = nullptr;
    hauteurs[nom(choisi)]["Sku"] = nullptr;
}

json plage_json(const AjustementMesure& m)
{
    const int points = m.a ? m.a->rayons : 0;
    return {{"r_min", points > 0 ? nombre(m.r_min) : json(nullptr)},
            {"r_max", points > 0 ? nombre(m.r_max) : json(nullptr)},
            {"rayons", points}};
}

// The fit range: the exponential model's, its rule, and each model's.
json plage_ajustement(const ReglagesMesure& rm, const Estimation (&estimations)[2])
{
    json plage = plage_json(estimations[static_cast<int>(Modele::exponentiel)].commune);
    switch (rm.regle) {
    case RegleMesure::rayons:
        plage["nom"] = "rayons";
        plage["regle"] = "les " + std::to_string(rm.rayons) + " premiers rayons (--rayons)";
        break;
    case RegleMesure::reliefstat:
        plage["nom"] = "reliefstat";
        plage["regle"] = "coupe de reliefstat : rayons avant la première suite de quatre baisses strictes de la "
                         "fonction, avant le premier rayon sans paire, 50 au plus";
        break;
    case RegleMesure::longueurs:
        plage["nom"] = "longueurs";
        plage["regle"] = "jusqu'à 3 L (exponentiel) ou 2,5 L (gaussien), L ajustée : ajuster, régler la plage sur ce "
                         "nombre de L, réajuster jusqu'à ce qu'elle ne change plus ; au moins 8 rayons, et seulement "
                         "ceux qui gardent le quart des paires du premier rayon";
        break;
    }
    plage["par_modele"] = {{"exponentiel", plage_json(estimations[0].commune)},
                           {"gaussien", plage_json(estimations[1].commune)}};
    return plage;
}

// The capture disc's correction: null on the manual road.
json disque_json(const Disque& d, Route route)
{
    if (route != Route::photogrammetrique)
        return nullptr;
    return {{"corrige", d.corrige},
            {"rayon", d.rayon},
            {"points_par_noeud", d.corrige ? json(d.points_par_noeud) : json(nullptr)},
            {"decalage_H", d.corrige ? json(d.decalage) : json(nullptr)},
            {"motif", d.motif}};
}

// The settings the report was made with, the grid's counts among them.
json reglages_json(const Grille& grille, const Reglages& reglages, Route route, bool pepite, json plage)
{
    const long long cellules = grille.cellules(), reelles = grille.cellules_reelles();
    const CellulesVides vides = cellules_vides(grille, route == Route::photogrammetrique);
    return {
        {"lignes", grille.lignes},
        {"colonnes", grille.colonnes},
        {"pas", grille.pas},
        {"cellules", cellules},
        {"cellules_vides", cellules - reelles},
        {"part_vide", vides.comptees > 0 ? json(static_cast<double>(vides.vides) / static_cast<double>(vides.comptees))
                                         : json(nullptr)},
        {"nivellement", nom(reglages.nivellement)},
        {"fonction", reglages.fonction == FonctionMesure::reliefstat ? "reliefstat" : "toutes_paires"},
        {"plage_ajustement", std::move(plage)},
        {"ponderation", "paires"},
        {"pepite", pepite ? "libre" : "nulle"},
        {"modeles", {"exponentiel", "gaussien"}},
        {"K", reglages.K},
        {"graine", reglages.graine},
        {"methode_intervalle",
         "bootstrap paramétrique calibré : surfaces gaussiennes du modèle ajusté (plongement circulant), mêmes "
         "cellules vides, nivelées et mesurées comme la mesure, en jeux de mêmes graines : 40 % des K tirages à "
         "L mesurée, 15 % à chaque borne de l'intervalle de base, 15 % à L corrigée, 15 % au-delà de la borne "
         "haute s'il le faut ; σ et L corrigés du biais en médiane ; intervalles par inversion du test : chaque "
         "borne de L est la longueur qui place L mesurée à 2,5 % dans la queue de sa loi, celles de σ viennent "
         "des quantiles de σ ajusté / σ vrai, lus vers la borne de L de même sens selon la corrélation de σ et L"}};
}

// The better model: the smaller residual of the two fits, or the only one.
json meilleur(const std::optional<Ajustement> (&par_modele)[2])
{
    const auto& exp_ = par_modele[static_cast<int>(Modele::exponentiel)];
    const auto& gau = par_modele[static_cast<int>(Modele::gaussien)];
    if (exp_ && gau)
        return exp_->residu <= gau->residu ? "exponentiel" : "gaussien";
    if (exp_ || gau)
        return exp_ ? "exponentiel" : "gaussien";
    return nullptr;
}

// The surface-texture parameters of the levelled surface, into the report,
// and those the bootstrap gives intervals to.
ParametresTirage texture_mesuree(const Grille& grille, const std::vector<double>& nivelees, json& j)
{
    const Texture t = texture(nivelees, grille.lignes, grille.colonnes, grille.pas);
    j.update(texture_json(t));
    return ParametresTirage{t.espace.Sal, t.espace.Str, t.hybrides.Sdq, t.hybrides.Sdr};
}

// The settings of one model's bootstrap. The anisotropy's interval and those
// of the texture parameters come from the main model's draws.
ReglagesBootstrap reglages_bootstrap(const Reglages& reglages, const ReglagesMesure& rm, Modele m,
                                     const Estimation& e, const std::optional<ParametresTirage>& mesure_texture)
{
    ReglagesBootstrap rb;
    rb.K = reglages.K;
    rb.graine = reglages.graine;
    rb.fils = reglages.fils;
    rb.nivellement = reglages.nivellement;
    rb.progression = reglages.progression;
    rb.mesure = rm;
    rb.mesure.depart = e.commune.rayons;
    if (m == Modele::exponentiel && e.direction[0].resolu && e.direction[1].resolu) {
        rb.directions = true;
        rb.anisotropie = e.direction[0].a->L / e.direction[1].a->L;
    }
    if (m == Modele::exponentiel)
        rb.texture = mesure_texture;
    return rb;
}

// What the draws give: the fit corrected of its bias, its real spread and
// intervals into the fit's object o; the anisotropy's interval; the texture
// parameters' intervals into the report j.
void ecrire_intervalles(const Intervalles& iv, const Ajustement& a, bool avec_texture, json& o,
                        json& intervalle_anisotropie, json& j)
{
    o["sigma_ajuste"] = nombre(a.sigma);
    o["L_ajuste"] = nombre(a.L);
    o["sigma"] = nombre(iv.sigma_corrige);
    o["L"] = nombre(iv.L_corrige);
    o["erreur_sigma"] = nombre(iv.ecart_sigma);
    o["erreur_L"] = nombre(iv.ecart_L);
    o["intervalle_sigma"] = {nombre(iv.sigma_bas), nombre(iv.sigma_haut)};
    o["intervalle_L"] = {nombre(iv.L_bas), nombre(iv.L_haut)};
    if (std::isfinite(iv.anisotropie_bas))
        intervalle_anisotropie = {nombre(iv.anisotropie_bas), nombre(iv.anisotropie_haut)};
    if (avec_texture) {
        const std::pair<const char*, const char*> cles[4] = {
            {"espace", "Sal"}, {"espace", "Str"}, {"hybrides", "Sdq"}, {"hybrides", "Sdr"}};
        for (std::size_t i = 0; i < 4; ++i)
            if (std::isfinite(iv.texture[i][0]))
                j[cles[i].first][std::string("intervalle_") + cles[i].second] = {nombre(iv.texture[i][0]),
                                                                                 nombre(iv.texture[i][1])};
    }
    o["bootstrap"] = {{"reussis", iv.reussis}, {"echecs", iv.echecs},
                      {"covariance_exacte", iv.exact}, {"erreur_covariance", iv.erreur_covariance}};
}

// The fits of both models on the pooled function with their intervals, and
// the better model; the anisotropy's interval, for the directions.
struct Ajustements {
    json objet = json::object();
    json intervalle_anisotropie = nullptr;
};

Ajustements ajustements_json(const Grille& grille, const Reglages& reglages, const ReglagesMesure& rm,
                             const Estimation (&estimations)[2], const std::optional<ParametresTirage>& mesure_texture,
                             bool plate, Rapport& rapport)
{
    Ajustements r;
    std::optional<Ajustement> par_modele[2];
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        const char* quel = surface::nom(m);
        const Estimation& e = estimations[static_cast<int>(m)];
        const AjustementMesure& am = e.commune;
        json o = ajustement_json(am);
        if (am.a) {
            par_modele[static_cast<int>(m)] = *am.a;
            o["intervalle_sigma"] = nullptr;
            o["intervalle_L"] = nullptr;
            // A fit too short for the step still has its draws: the grid
            // bounds L (and σ) from above.
            if (reglages.K > 0 && (am.resolu || am.trop_court)) {
                try {
                    const ReglagesBootstrap rb = reglages_bootstrap(reglages, rm, m, e, mesure_texture);
                    const Intervalles iv = bootstrap(grille, m, *am.a, rb);
                    const Bornes quelles = bornes(am, iv, grille.lignes, grille.colonnes, grille.pas);
                    if (quelles == Bornes::hautes) {
                        o["motif"] = motif_trop_court(am.motif, iv.L_haut, iv.sigma_au_plus);
                        o["borne_haute_sigma"] = nombre(iv.sigma_au_plus);
                        o["borne_haute_L"] = nombre(iv.L_haut);
                    } else if (quelles == Bornes::basses) {
                        // The fit's own figures stay, as for any fit not resolved,
                        // with the lower ends that the grid still bounds.
                        o["resolu"] = false;
                        o["motif"] = motif_correction_hors_grille(iv.L_corrige, iv.L_bas, iv.sigma_au_moins,
                                                                  grille.lignes, grille.colonnes, grille.pas);
                        o["borne_basse_sigma"] = nombre(iv.sigma_au_moins);
                        o["borne_basse_L"] = nombre(iv.L_bas);
                    } else {
                        ecrire_intervalles(iv, *am.a, rb.texture.has_value(), o, r.intervalle_anisotropie,
                                           rapport.json);
                        // Where L̂ hardly follows L any more (L a sizeable part of
                        // the grid), the upper end goes as far as the draws'
                        // spread allows: beyond the grid's extent it bounds nothing.
                        const double etendue = rapport::etendue(grille.lignes, grille.colonnes, grille.pas);
                        o["L_haut_hors_grille"] = iv.L_haut > etendue;
                        if (iv.L_haut > etendue)
                            rapport.avertissements.push_back(std::string("modèle ") + quel +
                                                             " : la borne haute de L dépasse l'étendue de la grille "
                                                             "(" + nombre_court(etendue) +
                                                             ") : la grille ne borne pas L par le haut");
                    }
                } catch (const Erreur& err) {
                    o["echec_intervalles"] = err.what();
                    rapport.avertissements.push_back(err.what());
                }
            }
            if (!o["resolu"].get<bool>())
                rapport.avertissements.push_back(std::string("modèle ") + quel + " non résolu : " +
                                                 o["motif"].get<std::string>());
        } else if (!plate) {
            rapport.avertissements.push_back(std::string("ajustement ") + quel + " : " + am.motif);
        }
        r.objet[quel] = o;
    }
    r.objet["meilleur"] = meilleur(par_modele);
    return r;
}

// The two directions, named after the road: pairs within a grid row run along
// x, within a column along y.
using Axe = std::pair<const char*, const char*>; // key, name
std::array<Axe, 2> axes(bool manuelle)
{
    return {manuelle ? Axe{"cadre", "le long du cadre (positions de la barre)"}
                     : Axe{"X", "le long du côté X du cadre (de O à X)"},
            manuelle ? Axe{"barre", "le long de la barre (positions du chariot)"}
                     : Axe{"Y", "le long du côté Y du cadre (de O à Y)"}};
}

// Each direction on its own, by the same range rule: both models' fits, the
// exponential model's figures and their ratio.
json directions_json(const std::array<Axe, 2>& noms, const Estimation (&estimations)[2], bool plate,
                     json intervalle_anisotropie, Rapport& rapport)
{
    json directions = {{"modele", "exponentiel"}};
    directions["axes"] = json::array();
    for (const auto& [cle, nom_axe] : noms)
        directions["axes"].push_back({{"cle", cle}, {"nom", nom_axe}});
    json detail = json::object();
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        json d = json::object();
        const Estimation& e = estimations[static_cast<int>(m)];
        for (int k = 0; k < 2; ++k) {
            const char* cle = noms[k].first;
            d[cle] = ajustement_json(e.direction[k]);
            if (m == Modele::exponentiel && !e.direction[k].resolu && !plate)
                rapport.avertissements.push_back(std::string("direction ") + noms[k].second + " : " +
                                                 e.direction[k].motif);
        }
        detail[surface::nom(m)] = d;
    }
    auto champ = [&](const char* dir, const char* cle) -> json {
        const json& o = detail["exponentiel"][dir];
        return o.contains(cle) ? o[cle] : json(nullptr);
    };
    for (const auto& [cle, nom_axe] : noms) {
        directions[std::string("L_") + cle] = champ(cle, "L");
        directions[std::string("sigma_") + cle] = champ(cle, "sigma");
    }
    const json& L0 = directions[std::string("L_") + noms[0].first];
    const json& L1 = directions[std::string("L_") + noms[1].first];
    directions["anisotropie"] = L0.is_number() && L1.is_number() ? json(L0.get<double>() / L1.get<double>()) : json(nullptr);
    directions["intervalle_anisotropie"] = std::move(intervalle_anisotropie);
    directions["par_modele"] = detail;
    return directions;
}

// The functions themselves, r = k·pas for k = 1 .. n: the one fitted, then
// each direction's.
json correlation_json(const Correlation& c, FonctionMesure fonction, const Grille& grille,
                      const std::array<Axe, 2>& noms)
{
    const std::size_t n = static_cast<std::size_t>(std::max(grille.lignes, grille.colonnes) - 1);
    json r = json::array();
    for (std::size_t e = 0; e < n; ++e)
        r.push_back(static_cast<double>(e + 1) * grille.pas);
    json corr = {{"r", r}};
    tableaux(fonction == FonctionMesure::reliefstat ? c.commune : c.toutes, n, corr["H"], corr["paires"]);
    for (int k = 0; k < 2; ++k)
        tableaux(k == 0 ? c.lignes : c.colonnes, n, corr[std::string("H_") + noms[k].first],
                 corr[std::string("paires_") + noms[k].first]);
    return corr;
}

} // namespace

Rapport etablir_rapport(const Grille& grille, const Reglages& reglages, Route route, const Disque& disque)
{
    verifier_grille(grille, reglages.fichier);
    const int N = grille.lignes, M = grille.colonnes;
    Rapport rapport;
    json& j = rapport.json;
    const bool manuelle = route == Route::manuelle;
    j["version"] = version_schema;
    j["outil"] = "rugosite-rapport";
    j["fichier"] = std::filesystem::path(reglages.fichier).filename().string();
    j["unite"] = unites(manuelle);

    json hauteurs = hauteurs_niveaux(grille, reglages.nivellement, rapport);
    Correlation c = correlation_fft(rapport.nivelees, N, M);
    if (disque.corrige)
        relever(c, disque.decalage);
    ReglagesMesure rm;
    rm.fonction = reglages.fonction;
    rm.regle = reglages.rayons ? RegleMesure::rayons : reglages.plage;
    rm.rayons = reglages.rayons.value_or(0);
    rm.pepite = reglages.pepite;
    Estimation estimations[2];
    // Flat to rounding: what levelling leaves of an exact plane (or of a
    // quadric with the second-order levelling) is rounding noise, with no σ or L.
    const bool plate = surface_plate(grille, rapport.nivelees);
    if (plate) {
        marquer_plate(reglages.nivellement, estimations, hauteurs, rapport);
    } else {
        for (Modele m : {Modele::exponentiel, Modele::gaussien})
            estimations[static_cast<int>(m)] = mesurer(c, N, M, grille.pas, rm, m);
    }
    j["surface_plate"] = plate;
    j["reglages"] = reglages_json(grille, reglages, route, rm.pepite, plage_ajustement(rm, estimations));
    j["reglages"]["disque"] = disque_json(disque, route);
    j["hauteurs"] = hauteurs;
    j["hauteurs_en_trop"] = grille.hauteurs_en_trop;
    if (const std::string a = avertissement_en_trop(grille, reglages.fichier); !a.empty())
        rapport.avertissements.push_back(a);
    if (disque.voulu && !disque.corrige)
        rapport.avertissements.push_back("pas de correction du disque de capture : " + disque.motif +
                                         " ; σ et L sont celles des moyennes des disques (L plus longue)");
    // The surface-texture parameters of the levelled surface; a flat one has none.
    std::optional<ParametresTirage> mesure_texture;
    if (!plate)
        mesure_texture = texture_mesuree(grille, rapport.nivelees, j);

    // Fits of both models on the pooled function, then their intervals.
    const Ajustements ajustements =
        ajustements_json(grille, reglages, rm, estimations, mesure_texture, plate, rapport);
    j["ajustements"] = ajustements.objet;
    const auto noms = axes(manuelle);
    j["directions"] = directions_json(noms, estimations, plate, ajustements.intervalle_anisotropie, rapport);
    j["correlation"] = correlation_json(c, reglages.fonction, grille, noms);

    rapport.csv = lignes_csv(j);
    return rapport;
}

namespace {

std::string champ_csv(const json& v)
{
    if (v.is_null())
        return "";
    if (v.is_number_float()) {
        char texte[32];
        std::snprintf(texte, sizeof texte, "%.10g", v.get<double>());
        return texte;
    }
    if (v.is_number())
        return v.dump();
    if (v.is_string())
        return outils::champ_csv(v.get<std::string>());
    if (v.is_boolean())
        return v.get<bool>() ? "1" : "0";
    return "";
}

const json& chemin(const json& j, std::initializer_list<const char*> cles)
{
    static const json rien = nullptr;
    const json* p = &j;
    for (const char* c : cles) {
        if (!p->is_object() || !p->contains(c))
            return rien;
        p = &(*p)[c];
    }
    return *p;
}

json borne(const json& intervalle, int i)
{
    return intervalle.is_array() && intervalle.size() == 2 ? intervalle[static_cast<std::size_t>(i)] : json(nullptr);
}

} // namespace

std::string lignes_csv(const json& j)
{
    std::vector<std::pair<std::string, json>> colonnes = {
        {"fichier", chemin(j, {"fichier"})},
        {"route", chemin(j, {"unite", "route"})},
        {"unite_longueur", chemin(j, {"unite", "longueur"})},
        {"lignes", chemin(j, {"reglages", "lignes"})},
        {"colonnes", chemin(j, {"reglages", "colonnes"})},
        {"pas", chemin(j, {"reglages", "pas"})},
        {"part_vide", chemin(j, {"reglages", "part_vide"})},
        {"nivellement", chemin(j, {"reglages", "nivellement"})},
        {"r_max", chemin(j, {"reglages", "plage_ajustement", "r_max"})},
        {"rayons", chemin(j, {"reglages", "plage_ajustement", "rayons"})},
        {"K", chemin(j, {"reglages", "K"})},
        {"graine", chemin(j, {"reglages", "graine"})},
    };
    const std::string niv = chemin(j, {"reglages", "nivellement"}).is_string()
                                ? chemin(j, {"reglages", "nivellement"}).get<std::string>()
                                : "plan";
    for (const char* p : {"Sq", "Sa", "Ssk", "Sku", "Sp", "Sv", "Sz"})
        colonnes.emplace_back(p, chemin(j, {"hauteurs", niv.c_str(), p}));
    for (const auto& [modele, suffixe] : {std::pair{"exponentiel", "exp"}, std::pair{"gaussien", "gau"}}) {
        const std::string s = std::string("_") + suffixe;
        const json& a = chemin(j, {"ajustements", modele});
        colonnes.emplace_back("sigma" + s, chemin(a, {"sigma"}));
        // A fit not resolved keeps the one-sided ends the grid gives, if any.
        auto bout = [&](const char* intervalle, int i, const char* seul) {
            const json b = borne(chemin(a, {intervalle}), i);
            return b.is_null() ? chemin(a, {seul}) : b;
        };
        colonnes.emplace_back("sigma_bas" + s, bout("intervalle_sigma", 0, "borne_basse_sigma"));
        colonnes.emplace_back("sigma_haut" + s, bout("intervalle_sigma", 1, "borne_haute_sigma"));
        colonnes.emplace_back("L" + s, chemin(a, {"L"}));
        colonnes.emplace_back("L_bas" + s, bout("intervalle_L", 0, "borne_basse_L"));
        colonnes.emplace_back("L_haut" + s, bout("intervalle_L", 1, "borne_haute_L"));
        colonnes.emplace_back("residu" + s, chemin(a, {"residu"}));
    }
    colonnes.emplace_back("meilleur", chemin(j, {"ajustements", "meilleur"}));
    // The two directions: the first and second of directions.axes (along x
    // and along y of the grid), under their former column names first.
    const json& axes = chemin(j, {"directions", "axes"});
    auto cle_axe = [&](std::size_t k) {
        return axes.is_array() && axes.size() == 2 && axes[k].contains("cle") ? axes[k]["cle"].get<std::string>()
                                                                               : std::string();
    };
    auto de_l_axe = [&](std::size_t k, const std::string& quoi) -> json {
        const std::string cle = cle_axe(k);
        return cle.empty() ? json(nullptr) : chemin(j, {"directions", (quoi + "_" + cle).c_str()});
    };
    colonnes.emplace_back("L_lignes", de_l_axe(0, "L"));
    colonnes.emplace_back("L_colonnes", de_l_axe(1, "L"));
    colonnes.emplace_back("anisotropie", chemin(j, {"directions", "anisotropie"}));
    // Whether each model resolves L, and why not.
    for (const auto& [modele, suffixe] : {std::pair{"exponentiel", "exp"}, std::pair{"gaussien", "gau"}}) {
        const json& a = chemin(j, {"ajustements", modele});
        colonnes.emplace_back(std::string("resolu_") + suffixe, chemin(a, {"resolu"}));
        colonnes.emplace_back(std::string("motif_") + suffixe, chemin(a, {"motif"}));
    }
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string n = "_axe" + std::to_string(k + 1), cle = cle_axe(k);
        const json& fit = cle.empty() ? chemin(j, {"rien"}) : chemin(j, {"directions", "par_modele", "exponentiel", cle.c_str()});
        colonnes.emplace_back("axe" + std::to_string(k + 1), cle.empty() ? json(nullptr) : json(cle));
        colonnes.emplace_back("sigma" + n, de_l_axe(k, "sigma"));
        colonnes.emplace_back("L" + n, de_l_axe(k, "L"));
        colonnes.emplace_back("resolu" + n, chemin(fit, {"resolu"}));
    }
    colonnes.emplace_back("anisotropie_bas", borne(chemin(j, {"directions", "intervalle_anisotropie"}), 0));
    colonnes.emplace_back("anisotropie_haut", borne(chemin(j, {"directions", "intervalle_anisotropie"}), 1));
    // The scalar texture parameters, empty for a flat surface.
    for (const CleTexture& c : cles_texture)
        colonnes.emplace_back(c.nom, chemin(j, {c.groupe, c.nom}));
    std::string entete, valeurs;
    for (std::size_t i = 0; i < colonnes.size(); ++i) {
        if (i) {
            entete += ',';
            valeurs += ',';
        }
        entete += colonnes[i].first;
        valeurs += champ_csv(colonnes[i].second);
    }
    return entete + "\n" + valeurs + "\n";
}

void ecrire_fichiers(const std::vector<std::pair<std::filesystem::path, std::string>>& fichiers)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> temporaires;
    auto nettoyer = [&] {
        std::error_code ec;
        for (const auto& t : temporaires)
            fs::remove(t, ec);
    };
    // A target that can't be replaced is found before anything is written.
    for (const auto& [chemin_final, contenu] : fichiers) {
        std::error_code ec;
        if (fs::is_directory(chemin_final, ec))
            throw Erreur("impossible d'ecrire " + chemin_final.string() + " : c'est un dossier");
    }
    for (const auto& [chemin_final, contenu] : fichiers) {
        fs::path temporaire = chemin_final;
        temporaire += ".tmp-" + std::to_string(::getpid());
        const int fd = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int cause = errno;
            nettoyer();
            throw Erreur("impossible d'ecrire " + chemin_final.string() + " : " + std::strerror(cause));
        }
        temporaires.push_back(temporaire);
        int cause = 0;
        for (std::size_t ecrit = 0; cause == 0 && ecrit < contenu.size();) {
            const ssize_t n = ::write(fd, contenu.data() + ecrit, contenu.size() - ecrit);
            if (n > 0)
                ecrit += static_cast<std::size_t>(n);
            else if (n == 0)
                cause = EIO;
            else if (errno != EINTR)
                cause = errno;
        }
        if (::close(fd) != 0 && cause == 0)
            cause = errno;
        if (cause != 0) {
            nettoyer();
            throw Erreur("impossible d'ecrire " + chemin_final.string() + " : " + std::strerror(cause));
        }
    }
    for (std::size_t i = 0; i < fichiers.size(); ++i) {
        std::error_code ec;
        fs::rename(temporaires[i], fichiers[i].first, ec);
        if (ec) {
            nettoyer();
            throw Erreur("impossible de renommer " + temporaires[i].string() + " en " + fichiers[i].first.string() +
                         " : " + std::strerror(ec.value()));
        }
    }
}

} // namespace rapport
