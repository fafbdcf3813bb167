#include "rapport.hpp"

#include "correlation.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
    return {{"sigma", nombre(a.sigma)},   {"L", nombre(a.L)},           {"erreur_sigma", nombre(a.erreur_sigma)},
            {"erreur_L", nombre(a.erreur_L)}, {"residu", nombre(a.residu)}, {"rayons", a.rayons}};
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

Rapport etablir_rapport(const Grille& grille, const Reglages& reglages, Route route)
{
    verifier_grille(grille, reglages.fichier);
    const int N = grille.lignes, M = grille.colonnes;
    Rapport rapport;
    json& j = rapport.json;
    const bool manuelle = route == Route::manuelle;
    j["version"] = version_schema;
    j["outil"] = "rugosite-rapport";
    j["fichier"] = std::filesystem::path(reglages.fichier).filename().string();
    j["unite"] = {{"route", manuelle ? "manuelle" : "photogrammetrique"},
                  {"longueur", manuelle ? "cm" : "% du cote du cadre"},
                  {"H", manuelle ? "cm²" : "(% du cote du cadre)²"},
                  {"Ssk", "sans unite"},
                  {"Sku", "sans unite"}};

    // Heights for every levelling; the chosen one also feeds the correlation.
    json hauteurs = json::object();
    for (Nivellement n : nivellements) {
        try {
            std::vector<double> z = niveler(grille, n);
            hauteurs[nom(n)] = hauteurs_json(parametres_hauteur(z));
            if (n == reglages.nivellement)
                rapport.nivelees = std::move(z);
        } catch (const Erreur& e) {
            hauteurs[nom(n)] = {{"echec", e.what()}};
            if (n == reglages.nivellement)
                throw;
        }
    }
    const long long cellules = grille.cellules(), reelles = grille.cellules_reelles();
    const CellulesVides vides = cellules_vides(grille, route == Route::photogrammetrique);
    const Correlation c = correlation_fft(rapport.nivelees, N, M);
    const int R = reglages.rayons ? *reglages.rayons : rayon_max_observation(c.commune);
    const Plage plage{R};
    const Points points = points_ajustement(c.commune, plage, grille.pas);
    const double r_min = points.r.empty() ? NAN : points.r.front();
    const double r_max = points.r.empty() ? NAN : points.r.back();
    j["reglages"] = {
        {"lignes", N},
        {"colonnes", M},
        {"pas", grille.pas},
        {"cellules", cellules},
        {"cellules_vides", cellules - reelles},
        {"part_vide", vides.comptees > 0 ? json(static_cast<double>(vides.vides) / static_cast<double>(vides.comptees))
                                         : json(nullptr)},
        {"nivellement", nom(reglages.nivellement)},
        {"plage_ajustement",
         {{"r_min", nombre(r_min)},
          {"r_max", nombre(r_max)},
          {"rayons", static_cast<int>(points.r.size())},
          {"regle", reglages.rayons
                        ? "les " + std::to_string(*reglages.rayons) + " premiers rayons (--rayons)"
                        : std::string("coupe de reliefstat (RMAX_OBSERVATION) : rayons avant la premiere suite de "
                                      "quatre baisses strictes de la fonction commune, avant le premier rayon sans "
                                      "paire, 50 au plus")}}},
        {"ponderation", "paires"},
        {"modeles", {"exponentiel", "gaussien"}},
        {"K", reglages.K},
        {"graine", reglages.graine},
        {"methode_intervalle",
         "bootstrap parametrique calibre : surfaces gaussiennes du modele ajuste (plongement circulant), memes "
         "cellules vides, nivelees, coupees et ajustees comme la mesure, K a L mesuree et K/5 a chaque borne "
         "(memes graines) ; sigma et L corriges du biais (mediane) et intervalles par inversion du test : chaque "
         "borne de L est la longueur qui place L mesuree a 2,5 % de la queue de sa distribution, et celles de sigma "
         "viennent des quantiles de sigma ajuste / sigma vrai a la L corrigee"}};
    j["hauteurs"] = hauteurs;
    j["hauteurs_en_trop"] = grille.hauteurs_en_trop;
    if (const std::string a = avertissement_en_trop(grille, reglages.fichier); !a.empty())
        rapport.avertissements.push_back(a);

    // Fits of both models on the pooled function, then their intervals.
    json ajustements = json::object();
    std::optional<Ajustement> par_modele[2];
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        const char* quel = surface::nom(m);
        try {
            const Ajustement a = ajuster(m, points);
            par_modele[static_cast<int>(m)] = a;
            json o = ajustement_json(a);
            o["intervalle_sigma"] = nullptr;
            o["intervalle_L"] = nullptr;
            if (reglages.K > 0) {
                try {
                    ReglagesBootstrap rb;
                    rb.K = reglages.K;
                    rb.graine = reglages.graine;
                    rb.fils = reglages.fils;
                    rb.nivellement = reglages.nivellement;
                    rb.rayons = reglages.rayons;
                    rb.progression = reglages.progression;
                    const Intervalles iv = bootstrap(grille, m, a, rb);
                    // The draws correct the fit's bias and give its real spread.
                    o["sigma_ajuste"] = nombre(a.sigma);
                    o["L_ajuste"] = nombre(a.L);
                    o["sigma"] = nombre(iv.sigma_corrige);
                    o["L"] = nombre(iv.L_corrige);
                    o["erreur_sigma"] = nombre(iv.ecart_sigma);
                    o["erreur_L"] = nombre(iv.ecart_L);
                    o["intervalle_sigma"] = {nombre(iv.sigma_bas), nombre(iv.sigma_haut)};
                    o["intervalle_L"] = {nombre(iv.L_bas), nombre(iv.L_haut)};
                    o["bootstrap"] = {{"reussis", iv.reussis}, {"echecs", iv.echecs},
                                      {"covariance_exacte", iv.exact}, {"erreur_covariance", iv.erreur_covariance}};
                } catch (const Erreur& e) {
                    o["echec_intervalles"] = e.what();
                    rapport.avertissements.push_back(e.what());
                }
            }
            ajustements[quel] = o;
        } catch (const Erreur& e) {
            ajustements[quel] = {{"echec", e.what()}};
            rapport.avertissements.push_back(e.what());
        }
    }
    const auto& exp_ = par_modele[static_cast<int>(Modele::exponentiel)];
    const auto& gau = par_modele[static_cast<int>(Modele::gaussien)];
    if (exp_ && gau)
        ajustements["meilleur"] = exp_->residu <= gau->residu ? "exponentiel" : "gaussien";
    else if (exp_ || gau)
        ajustements["meilleur"] = exp_ ? "exponentiel" : "gaussien";
    else
        ajustements["meilleur"] = nullptr;
    j["ajustements"] = ajustements;

    // Each direction on its own, over the same separations as the pooled fit.
    json directions = {{"modele", "exponentiel"}};
    json detail = json::object();
    for (Modele m : {Modele::exponentiel, Modele::gaussien}) {
        json d = json::object();
        for (const auto& [cle, f] : {std::pair<const char*, const Fonction*>{"lignes", &c.lignes},
                                     std::pair<const char*, const Fonction*>{"colonnes", &c.colonnes}}) {
            try {
                d[cle] = ajustement_json(ajuster(m, points_ajustement(*f, plage, grille.pas)));
            } catch (const Erreur& e) {
                d[cle] = {{"echec", std::string(cle) + " : " + e.what()}};
                if (m == Modele::exponentiel)
                    rapport.avertissements.push_back(std::string("direction ") + cle + " : " + e.what());
            }
        }
        detail[surface::nom(m)] = d;
    }
    auto champ = [&](const char* dir, const char* cle) -> json {
        const json& o = detail["exponentiel"][dir];
        return o.contains(cle) ? o[cle] : json(nullptr);
    };
    directions["L_lignes"] = champ("lignes", "L");
    directions["L_colonnes"] = champ("colonnes", "L");
    directions["sigma_lignes"] = champ("lignes", "sigma");
    directions["sigma_colonnes"] = champ("colonnes", "sigma");
    directions["anisotropie"] = directions["L_lignes"].is_number() && directions["L_colonnes"].is_number()
                                    ? json(directions["L_lignes"].get<double>() / directions["L_colonnes"].get<double>())
                                    : json(nullptr);
    directions["par_modele"] = detail;
    j["directions"] = directions;

    // The functions themselves, r = k·pas for k = 1 .. n.
    const std::size_t n = static_cast<std::size_t>(std::max(N, M) - 1);
    json r = json::array();
    for (std::size_t e = 0; e < n; ++e)
        r.push_back(static_cast<double>(e + 1) * grille.pas);
    json corr = {{"r", r}};
    tableaux(c.commune, n, corr["H"], corr["paires"]);
    tableaux(c.lignes, n, corr["H_lignes"], corr["paires_lignes"]);
    tableaux(c.colonnes, n, corr["H_colonnes"], corr["paires_colonnes"]);
    j["correlation"] = corr;

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
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        if (s.find_first_of(",\"\n") == std::string::npos)
            return s;
        std::string q = "\"";
        for (char ch : s) {
            if (ch == '"')
                q += '"';
            q += ch;
        }
        return q + "\"";
    }
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
        colonnes.emplace_back("erreur_sigma" + s, chemin(a, {"erreur_sigma"}));
        colonnes.emplace_back("sigma_bas" + s, borne(chemin(a, {"intervalle_sigma"}), 0));
        colonnes.emplace_back("sigma_haut" + s, borne(chemin(a, {"intervalle_sigma"}), 1));
        colonnes.emplace_back("L" + s, chemin(a, {"L"}));
        colonnes.emplace_back("erreur_L" + s, chemin(a, {"erreur_L"}));
        colonnes.emplace_back("L_bas" + s, borne(chemin(a, {"intervalle_L"}), 0));
        colonnes.emplace_back("L_haut" + s, borne(chemin(a, {"intervalle_L"}), 1));
        colonnes.emplace_back("residu" + s, chemin(a, {"residu"}));
    }
    colonnes.emplace_back("meilleur", chemin(j, {"ajustements", "meilleur"}));
    colonnes.emplace_back("L_lignes", chemin(j, {"directions", "L_lignes"}));
    colonnes.emplace_back("L_colonnes", chemin(j, {"directions", "L_colonnes"}));
    colonnes.emplace_back("anisotropie", chemin(j, {"directions", "anisotropie"}));
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
