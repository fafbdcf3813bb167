#include "tools/campagne/tables.hpp"
#include "tools/rapport/cles_texture.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace campagne {

namespace {

std::string html(const std::string& t)
{
    std::string out;
    for (char c : t) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A length unit as French writes it (the report writes it without accents).
std::string unite_affichee(const std::string& unite)
{
    return unite == "% du cote du cadre" ? "% du côté du cadre" : unite;
}

// A column of figures that the page shows with four significant figures.
bool colonne_chiffree(const std::string& nom)
{
    for (const rapport::CleTexture& c : rapport::cles_texture)
        if (nom == c.nom)
            return true;
    return nom == "part_vide" || nom == "rms_reliefstat" || nom == "Sq" || nom == "anisotropie" ||
           nom.starts_with("sigma_") || nom.starts_with("L_");
}

// A cell of the page's table: the figures with four significant figures (the
// share of empty cells in percent), everything else as the CSV has it.
std::string cellule_html(const std::string& colonne, const std::string& valeur)
{
    if (colonne == "unite_longueur")
        return html(unite_affichee(valeur));
    if (colonne.starts_with("resolu_"))
        return valeur == "true" ? "oui" : valeur == "false" ? "<strong>non</strong>" : html(valeur);
    if (!colonne_chiffree(colonne) || valeur.empty())
        return html(valeur);
    char* fin = nullptr;
    double v = std::strtod(valeur.c_str(), &fin);
    if (fin == valeur.c_str() || *fin != '\0' || !std::isfinite(v))
        return html(valeur);
    const bool pourcentage = colonne == "part_vide";
    if (pourcentage)
        v *= 100.0;
    char texte[64];
    std::snprintf(texte, sizeof texte, "%#.4g", v);
    std::string chiffre = v == 0.0 ? "0" : texte;
    if (chiffre.back() == '.')
        chiffre.pop_back();
    return chiffre + (pourcentage ? " %" : "");
}

Json sans_marque(const std::string& programme, int statut, const std::string& message)
{
    Json m = Json::object();
    m["route"] = "";
    m["statut"] = statut < 0 ? Json(nullptr) : Json(statut);
    m["programme"] = programme;
    m["message"] = message;
    return m;
}

} // namespace

Mesure lire_mesure(const std::string& dossier)
{
    std::error_code ec;
    if (!fs::is_directory(dossier, ec))
        return {dossier, sans_marque("rugosite-campagne", 1, "dossier introuvable")};
    std::ifstream in(fs::path(dossier) / fichier_marque, std::ios::binary);
    if (!in)
        return {dossier, sans_marque("", -1, "pas encore traite (pas de " + std::string(fichier_marque) + ")")};
    std::ostringstream contenu;
    contenu << in.rdbuf();
    if (contenu.str().empty()) // emptied when the folder's work starts
        return {dossier, sans_marque("", -1, "pas encore traite (travail en cours ou interrompu)")};
    Json m = Json::parse(contenu.str(), nullptr, false);
    if (m.is_discarded() || !m.is_object())
        return {dossier, sans_marque("", -1, std::string(fichier_marque) + " illisible : a refaire")};
    m.erase("empreinte");
    m.erase("version");
    return {dossier, std::move(m)};
}

std::string table_csv(const std::vector<Mesure>& mesures)
{
    std::string out;
    const auto& noms = colonnes();
    for (std::size_t i = 0; i < noms.size(); ++i) {
        if (i)
            out += ',';
        out += noms[i];
    }
    out += '\n';
    for (const auto& m : mesures) {
        const auto l = ligne(m.dossier, m.marque);
        for (std::size_t i = 0; i < l.size(); ++i) {
            if (i)
                out += ',';
            out += champ_csv(l[i]);
        }
        out += '\n';
    }
    return out;
}

std::string table_json(const std::vector<Mesure>& mesures)
{
    Json racine = Json::object();
    racine["version"] = 1;
    racine["outil"] = "rugosite-campagne";
    int reussies = 0;
    Json liste = Json::array();
    for (const auto& m : mesures) {
        Json e = Json::object();
        e["dossier"] = m.dossier;
        for (const auto& [cle, valeur] : m.marque.items())
            e[cle] = valeur;
        if (m.marque.value("statut", Json(nullptr)) == Json(0))
            ++reussies;
        liste.push_back(std::move(e));
    }
    racine["mesures_total"] = mesures.size();
    racine["mesures_reussies"] = reussies;
    racine["mesures"] = std::move(liste);
    return racine.dump(1) + "\n";
}

std::string page_html(const std::vector<Mesure>& mesures)
{
    std::ostringstream p;
    int reussies = 0;
    std::set<std::string> unites;
    for (const auto& m : mesures) {
        if (m.marque.value("statut", Json(nullptr)) == Json(0))
            ++reussies;
        const Json& u = m.marque.contains("unite_longueur") ? m.marque["unite_longueur"] : Json(nullptr);
        if (u.is_string())
            unites.insert(u.get<std::string>());
    }
    p << "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
      << "<title>Campagne de mesures de rugosité</title>\n<style>\n"
      << "body{font-family:sans-serif;margin:1.5em;color:#111}\n"
      << "table{border-collapse:collapse;font-size:0.85em}\n"
      << "th,td{border:1px solid #bbb;padding:0.2em 0.4em;text-align:right}\n"
      << "td.t{text-align:left}\ntr.echec td{background:#fde8e8}\n"
      << "figure{display:inline-block;margin:0.5em}\nimg{max-width:100%}\n"
      << "</style>\n</head>\n<body>\n<h1>Campagne de mesures de rugosité</h1>\n"
      << "<p>" << mesures.size() << (mesures.size() > 1 ? " mesures, " : " mesure, ") << reussies
      << (reussies > 1 ? " réussies, " : " réussie, ") << mesures.size() - reussies << " en échec ou non traitée"
      << (mesures.size() - reussies > 1 ? "s" : "") << ".</p>\n";
    for (const auto& unite : unites) {
        p << "<h2>Hauteur RMS σ et longueur de corrélation L (" << html(unite_affichee(unite)) << ")</h2>\n"
          << "<p>Chaque mesure réussie a son numéro du tableau ; en bleu le modèle exponentiel, en rouge le "
             "gaussien, avec leurs intervalles à 95 %.</p>\n";
        for (const char* cle : {"sigma", "L"}) {
            const std::string nom = cle[0] == 's' ? "σ" : "L";
            const std::string svg = image_svg(mesures, cle, unite);
            if (svg.empty()) {
                p << "<p>(image de " << nom << " indisponible : PLplot ou son pilote SVG manque, ou rien à "
                  << "tracer)</p>\n";
                continue;
            }
            p << "<figure><img alt=\"" << nom << " de chaque mesure avec son intervalle ("
              << html(unite_affichee(unite)) << ")\" src=\"data:image/svg+xml;base64," << svg << "\"></figure>\n";
        }
    }
    p << "<h2>Tableau</h2>\n<p>Chiffres à quatre chiffres significatifs (exacts dans campagne.csv) ; "
         "part_vide en pourcentage des cellules comptées par le rapport.</p>\n<table>\n<tr><th>n&deg;</th>";
    const auto& noms = colonnes();
    for (const auto& nom : noms)
        p << "<th>" << html(nom) << "</th>";
    p << "</tr>\n";
    int numero = 0;
    for (const auto& m : mesures) {
        ++numero;
        const bool ok = m.marque.value("statut", Json(nullptr)) == Json(0);
        p << "<tr" << (ok ? "" : " class=\"echec\"") << "><td>" << numero << "</td>";
        const auto l = ligne(m.dossier, m.marque);
        for (std::size_t i = 0; i < l.size(); ++i) {
            const bool texte = noms[i] == "dossier" || noms[i] == "route" || noms[i] == "programme" ||
                               noms[i] == "message" || noms[i].starts_with("reglages") ||
                               noms[i] == "options_rapport" || noms[i] == "source_reglages";
            p << (texte ? "<td class=\"t\">" : "<td>") << cellule_html(noms[i], l[i]) << "</td>";
        }
        p << "</tr>\n";
    }
    p << "</table>\n</body>\n</html>\n";
    return p.str();
}

void ecrire_tables(const fs::path& sortie, const std::vector<Mesure>& mesures)
{
    ecrire_atomique(sortie / "campagne.csv", table_csv(mesures));
    ecrire_atomique(sortie / "campagne.json", table_json(mesures));
    ecrire_atomique(sortie / "campagne.html", page_html(mesures));
}

} // namespace campagne
