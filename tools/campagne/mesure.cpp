#include "tools/campagne/mesure.hpp"
#include "tools/rapport/cles_texture.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <charconv>
#include <map>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace campagne {

namespace {

// The value at a path of keys, or null when a key is missing or a value on
// the way is not an object.
Json chercher(const Json& racine, std::initializer_list<const char*> chemin)
{
    const Json* j = &racine;
    for (const char* cle : chemin) {
        if (!j->is_object() || !j->contains(cle))
            return nullptr;
        j = &(*j)[cle];
    }
    return *j;
}

Json borne(const Json& intervalle, std::size_t i)
{
    if (!intervalle.is_array() || intervalle.size() != 2)
        return nullptr;
    return intervalle[i];
}

std::optional<std::string> lire(const fs::path& fichier)
{
    std::ifstream in(fichier, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream contenu;
    contenu << in.rdbuf();
    return contenu.str();
}

// The last "RMS=<number>" that reliefstat printed in the captured output.
Json rms_affiche(const fs::path& sortie)
{
    const auto texte = lire(sortie);
    if (!texte)
        return nullptr;
    const auto position = texte->rfind("RMS=");
    if (position == std::string::npos)
        return nullptr;
    const char* debut = texte->c_str() + position + 4;
    char* fin = nullptr;
    const double v = std::strtod(debut, &fin);
    if (fin == debut || !std::isfinite(v))
        return nullptr;
    return v;
}

// Header "AxBxpas" of a grid file, as written.
Json entete_grille(const fs::path& grille)
{
    std::ifstream in(grille);
    std::string entete;
    if (!in || !std::getline(in, entete))
        return nullptr;
    while (!entete.empty() && (entete.back() == '\r' || entete.back() == ' '))
        entete.pop_back();
    return entete.empty() ? Json(nullptr) : Json(entete);
}

Json modele(const Json& rapport, const char* nom)
{
    const Json a = chercher(rapport, {"ajustements", nom});
    Json m = Json::object();
    m["sigma"] = chercher(a, {"sigma"});
    m["sigma_bas"] = borne(chercher(a, {"intervalle_sigma"}), 0);
    m["sigma_haut"] = borne(chercher(a, {"intervalle_sigma"}), 1);
    m["L"] = chercher(a, {"L"});
    m["L_bas"] = borne(chercher(a, {"intervalle_L"}), 0);
    m["L_haut"] = borne(chercher(a, {"intervalle_L"}), 1);
    return m;
}

const Json& ou_null(const Json& objet, const char* cle)
{
    static const Json null_json = nullptr;
    return objet.is_object() && objet.contains(cle) ? objet[cle] : null_json;
}

std::string texte(const Json& v)
{
    if (v.is_null())
        return "";
    if (v.is_string())
        return v.get<std::string>();
    if (v.is_number())
        return nombre(v);
    return v.dump();
}

} // namespace

const std::vector<std::string>& programmes_route(const std::string& route)
{
    static const std::vector<std::string> photo = {"plyunpack",       "markerpick", "framefit",        "delimiter",
                                                   "echantillonnage", "reliefstat", "rugosite-rapport"};
    static const std::vector<std::string> manuelle = {"reliefstat", "rugosite-rapport"};
    static const std::vector<std::string> aucune;
    if (route == "photogrammetrique")
        return photo;
    if (route == "manuelle")
        return manuelle;
    return aucune;
}

bool etape_faite(const std::string& route, const std::string& echec, const std::string& programme)
{
    const auto& liste = programmes_route(route);
    const auto ici = std::find(liste.begin(), liste.end(), programme);
    if (ici == liste.end())
        return false;
    if (echec.empty())
        return true;
    const auto la = std::find(liste.begin(), liste.end(), echec);
    // A failure outside the road's programs (bad settings, missing program): nothing ran.
    return la != liste.end() && ici < la;
}

std::optional<long long> compter_lignes(const fs::path& fichier)
{
    std::ifstream in(fichier, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::array<char, 1 << 16> bloc{};
    long long lignes = 0;
    char dernier = '\n';
    while (in) {
        in.read(bloc.data(), bloc.size());
        const auto n = in.gcount();
        if (n <= 0)
            break;
        lignes += std::count(bloc.data(), bloc.data() + n, '\n');
        dernier = bloc[static_cast<std::size_t>(n - 1)];
    }
    if (in.bad())
        return std::nullopt;
    return lignes + (dernier != '\n' ? 1 : 0);
}

Json marque(const fs::path& dossier, const std::vector<std::pair<std::string, std::string>>& champs)
{
    std::map<std::string, std::string> c(champs.begin(), champs.end());
    const std::string route = c["route"];
    const std::string echec = c["programme"];
    int statut = 0;
    try {
        statut = std::stoi(c["statut"]);
    } catch (const std::exception&) {
        throw std::runtime_error("statut illisible : " + c["statut"]);
    }

    Json m = Json::object();
    m["empreinte"] = c["empreinte"];
    m["version"] = 1;
    m["route"] = route;
    m["statut"] = statut;
    m["programme"] = echec;
    m["message"] = c["message"];
    m["reglages"] = {{"markerpick", c["reglages_markerpick"]},
                     {"echantillonnage", c["reglages_echantillonnage"]},
                     {"source", c["source_reglages"]},
                     {"rapport", c["options_rapport"]}};

    auto compte = [&](const char* fichier) -> Json {
        const auto n = compter_lignes(dossier / fichier);
        return n ? Json(*n) : Json(nullptr);
    };
    const bool photo = route == "photogrammetrique";
    m["points_lus"] = photo && etape_faite(route, echec, "plyunpack") ? compte("f_color.txt") : Json(nullptr);
    m["points_gardes"] = photo && etape_faite(route, echec, "delimiter") ? compte("cloud.txt") : Json(nullptr);
    // On the manual road the grid is the input: it is read by reliefstat.
    const bool grille_faite = photo ? etape_faite(route, echec, "echantillonnage") : !route.empty();
    m["grille"] = grille_faite ? entete_grille(dossier / "grille.txt") : Json(nullptr);
    m["rms_reliefstat"] =
        etape_faite(route, echec, "reliefstat") ? rms_affiche(dossier / "campagne-sortie.txt") : Json(nullptr);

    Json rapport = nullptr;
    if (etape_faite(route, echec, "rugosite-rapport")) {
        const auto contenu = lire(dossier / "rapport.json");
        if (contenu)
            rapport = Json::parse(*contenu, nullptr, false);
        if (rapport.is_discarded())
            rapport = nullptr;
    }
    const Json niv = chercher(rapport, {"reglages", "nivellement"});
    m["unite_longueur"] = chercher(rapport, {"unite", "longueur"});
    m["part_vide"] = chercher(rapport, {"reglages", "part_vide"});
    m["nivellement"] = niv;
    m["Sq"] = niv.is_string() ? chercher(rapport, {"hauteurs", niv.get<std::string>().c_str(), "Sq"}) : Json(nullptr);
    m["exponentiel"] = modele(rapport, "exponentiel");
    m["gaussien"] = modele(rapport, "gaussien");
    m["meilleur"] = chercher(rapport, {"ajustements", "meilleur"});
    m["anisotropie"] = chercher(rapport, {"directions", "anisotropie"});
    for (const char* nom : {"exponentiel", "gaussien"})
        m[nom]["resolu"] = chercher(rapport, {"ajustements", nom, "resolu"});
    Json texture = Json::object();
    for (const rapport::CleTexture& cle : rapport::cles_texture)
        texture[cle.nom] = chercher(rapport, {cle.groupe, cle.nom});
    m["texture"] = texture;
    return m;
}

const std::vector<std::string>& colonnes()
{
    static const std::vector<std::string> noms = [] {
        std::vector<std::string> n = {
        "dossier",      "route",          "statut",         "programme",      "points_lus",     "points_gardes",
        "grille",       "part_vide",      "rms_reliefstat", "Sq",             "sigma_exp",      "sigma_bas_exp",
        "sigma_haut_exp", "L_exp",        "L_bas_exp",      "L_haut_exp",     "sigma_gau",      "sigma_bas_gau",
        "sigma_haut_gau", "L_gau",        "L_bas_gau",      "L_haut_gau",     "meilleur",       "anisotropie",
        "unite_longueur", "nivellement",  "reglages_markerpick", "reglages_echantillonnage", "source_reglages",
        "options_rapport", "message", "resolu_exp", "resolu_gau"};
        for (const rapport::CleTexture& cle : rapport::cles_texture)
            n.push_back(cle.nom);
        return n;
    }();
    return noms;
}

std::vector<std::string> ligne(const std::string& dossier, const Json& m)
{
    std::vector<std::string> l = {dossier,
                                  texte(ou_null(m, "route")),
                                  texte(ou_null(m, "statut")),
                                  texte(ou_null(m, "programme")),
                                  texte(ou_null(m, "points_lus")),
                                  texte(ou_null(m, "points_gardes")),
                                  texte(ou_null(m, "grille")),
                                  texte(ou_null(m, "part_vide")),
                                  texte(ou_null(m, "rms_reliefstat")),
                                  texte(ou_null(m, "Sq"))};
    for (const char* nom : {"exponentiel", "gaussien"}) {
        const Json& mod = ou_null(m, nom);
        for (const char* cle : {"sigma", "sigma_bas", "sigma_haut", "L", "L_bas", "L_haut"})
            l.push_back(texte(ou_null(mod, cle)));
    }
    const Json& r = ou_null(m, "reglages");
    for (const char* cle : {"meilleur", "anisotropie", "unite_longueur", "nivellement"})
        l.push_back(texte(ou_null(m, cle)));
    for (const char* cle : {"markerpick", "echantillonnage", "source", "rapport"})
        l.push_back(texte(ou_null(r, cle)));
    l.push_back(texte(ou_null(m, "message")));
    for (const char* nom : {"exponentiel", "gaussien"})
        l.push_back(texte(ou_null(ou_null(m, nom), "resolu")));
    for (const rapport::CleTexture& cle : rapport::cles_texture)
        l.push_back(texte(ou_null(ou_null(m, "texture"), cle.nom)));
    return l;
}

std::string nombre(const Json& v)
{
    if (v.is_number_integer())
        return std::to_string(v.get<long long>());
    if (v.is_number()) {
        const double d = v.get<double>();
        if (!std::isfinite(d))
            return "";
        std::array<char, 64> tampon{};
        const auto fin = std::to_chars(tampon.data(), tampon.data() + tampon.size(), d);
        return std::string(tampon.data(), fin.ptr);
    }
    return "";
}

void ecrire_atomique(const fs::path& fichier, const std::string& contenu)
{
    std::string nom = ".";
    nom += fichier.filename().string();
    nom += ".XXXXXX";
    std::string modele = (fichier.parent_path() / nom).string();
    const int fd = mkstemp(modele.data());
    if (fd < 0)
        throw std::runtime_error("impossible de creer un fichier temporaire pour " + fichier.string() + " : " +
                                 std::strerror(errno));
    const fs::path temporaire = modele;
    // The reason of the first step that fails.
    int erreur = 0;
    std::size_t ecrit = 0;
    while (erreur == 0 && ecrit < contenu.size()) {
        const ssize_t n = ::write(fd, contenu.data() + ecrit, contenu.size() - ecrit);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            erreur = n < 0 ? errno : EIO;
        else
            ecrit += static_cast<std::size_t>(n);
    }
    // No fsync: a killed process leaves the old file or the new one whole (the
    // rename is atomic); after a power cut, the file systems in use commit a
    // replacing rename after its data.
    if (erreur == 0 && ::fchmod(fd, 0644) != 0)
        erreur = errno;
    if (::close(fd) != 0 && erreur == 0)
        erreur = errno;
    std::error_code ec;
    if (erreur == 0) {
        fs::rename(temporaire, fichier, ec);
        erreur = ec.value();
    }
    if (erreur != 0) {
        fs::remove(temporaire, ec);
        throw std::runtime_error("impossible d'ecrire " + fichier.string() + " : " + std::strerror(erreur));
    }
}

} // namespace campagne
