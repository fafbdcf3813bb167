#include "page.hpp"

#include "figures.hpp"

#include <algorithm>
#include <cmath>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace rapport {

namespace {

using json = nlohmann::json;

// --- Reading the report object: any part may be missing, null or failed. ---

const json* child(const json* parent, const char* key)
{
    if (parent == nullptr || !parent->is_object())
        return nullptr;
    const auto it = parent->find(key);
    if (it == parent->end() || it->is_null())
        return nullptr;
    return &*it;
}

std::optional<double> number(const json* j)
{
    if (j == nullptr || !j->is_number())
        return std::nullopt;
    const double v = j->get<double>();
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<double> number(const json* parent, const char* key)
{
    return number(child(parent, key));
}

std::string text(const json* parent, const char* key, const std::string& fallback = {})
{
    const json* j = child(parent, key);
    return j != nullptr && j->is_string() ? j->get<std::string>() : fallback;
}

// The French message of a failed part, or nothing when the part holds.
std::optional<std::string> failure(const json* part)
{
    const json* e = child(part, "echec");
    if (e == nullptr)
        return std::nullopt;
    if (e->is_string())
        return e->get<std::string>();
    return std::string("cause non précisée");
}

// A two-number interval [lo, hi].
std::optional<std::pair<double, double>> interval(const json* parent, const char* key)
{
    const json* j = child(parent, key);
    if (j == nullptr || !j->is_array() || j->size() != 2)
        return std::nullopt;
    const auto lo = number(&(*j)[0]);
    const auto hi = number(&(*j)[1]);
    if (!lo || !hi)
        return std::nullopt;
    return std::make_pair(*lo, *hi);
}

std::vector<double> numbers(const json* parent, const char* key)
{
    std::vector<double> out;
    const json* j = child(parent, key);
    if (j == nullptr || !j->is_array())
        return out;
    out.reserve(j->size());
    for (const auto& v : *j) {
        const auto x = number(&v);
        out.push_back(x ? *x : std::nan(""));
    }
    return out;
}

// --- Writing HTML. ---

std::string escape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

const char* const absent = "—";

// Four significant figures, fixed notation for ordinary magnitudes.
std::string format(std::optional<double> v)
{
    if (!v)
        return absent;
    char buffer[64];
    const double a = std::abs(*v);
    if (a == 0.0)
        return "0";
    const int e = static_cast<int>(std::floor(std::log10(a)));
    if (e >= -4 && e < 6)
        std::snprintf(buffer, sizeof buffer, "%.*f", std::max(0, 3 - e), *v);
    else
        std::snprintf(buffer, sizeof buffer, "%.3e", *v);
    return buffer;
}

// Counts and other whole numbers, without decimals.
std::string count(std::optional<double> v)
{
    if (!v)
        return absent;
    if (*v != std::floor(*v) || std::abs(*v) >= 1e15)
        return format(v);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", *v);
    return buffer;
}

std::string format_interval(std::optional<std::pair<double, double>> i)
{
    if (!i)
        return absent;
    return "[" + format(i->first) + " ; " + format(i->second) + "]";
}

std::string with_unit(std::optional<double> v, const std::string& unit)
{
    if (!v)
        return absent;
    return format(v) + (unit.empty() ? "" : " " + escape(unit));
}

std::string failure_html(const std::string& message)
{
    return "<span class=\"echec\">échec : " + escape(message) + "</span>";
}

const char* levelling_name(const std::string& key)
{
    if (key == "plan_moyen")
        return "plan moyen (hauteur moyenne retirée)";
    if (key == "plan")
        return "plan des moindres carrés";
    if (key == "polynome2")
        return "polynôme de degré 2";
    return nullptr;
}

const char* model_name(const std::string& key)
{
    if (key == "exponentiel")
        return "exponentiel";
    if (key == "gaussien")
        return "gaussien";
    return nullptr;
}

struct Units {
    std::string route;
    std::string longueur;
    std::string H;
};

Units units_of(const json& rapport)
{
    const json* u = child(&rapport, "unite");
    Units units;
    units.route = text(u, "route");
    units.longueur = text(u, "longueur", units.route == "photogrammetrique" ? "% du cote du cadre" : "cm");
    units.H = text(u, "H", "(" + units.longueur + ")²");
    return units;
}

// A row of a two-column table.
void row(std::ostringstream& out, const std::string& name, const std::string& value_html)
{
    out << "<tr><th scope=\"row\">" << name << "</th><td>" << value_html << "</td></tr>\n";
}

void figure(std::ostringstream& out, const std::string& svg, const std::string& caption, const std::string& missing)
{
    out << "<figure>\n";
    if (svg.empty())
        out << "<p class=\"sans-image\">" << escape(missing) << "</p>\n";
    else
        out << svg << "\n";
    out << "<figcaption>" << caption << "</figcaption>\n</figure>\n";
}

// Numbers written with a decimal point (the SVG syntax needs it, and PLplot
// prints its coordinates with printf) whatever locale the calling thread has.
class NumbersInCLocale {
public:
    NumbersInCLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr)))
    {
        if (c_ != static_cast<locale_t>(nullptr))
            previous_ = uselocale(c_);
    }
    NumbersInCLocale(const NumbersInCLocale&) = delete;
    NumbersInCLocale& operator=(const NumbersInCLocale&) = delete;
    ~NumbersInCLocale()
    {
        if (c_ != static_cast<locale_t>(nullptr)) {
            uselocale(previous_);
            freelocale(c_);
        }
    }

private:
    locale_t c_;
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

// A picture, or nothing when it cannot be drawn (no temporary file, say): the
// page is written without it rather than not at all.
template <typename Draw>
std::string picture(Draw draw)
{
    try {
        return draw();
    } catch (const std::exception&) {
        return {};
    }
}

constexpr std::string_view style = R"(
body { font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; color: #1a1a1a;
       background: #fff; margin: 0 auto; max-width: 62rem; padding: 1rem 1.5rem 3rem; line-height: 1.4; }
h1 { font-size: 1.6rem; margin-bottom: .2rem; }
h2 { font-size: 1.25rem; border-bottom: 1px solid #ccc; padding-bottom: .2rem; margin-top: 2rem; }
.sous-titre { color: #555; margin-top: 0; }
.nivellement { background: #eef4fa; border-left: 4px solid #1f77b4; padding: .4rem .8rem; }
.resume { display: flex; flex-wrap: wrap; gap: 1rem; }
.resume > div { border: 1px solid #ddd; border-radius: 4px; padding: .5rem .9rem; min-width: 14rem; }
.resume .valeur { font-size: 1.3rem; font-weight: bold; }
.defile { overflow-x: auto; }
table { border-collapse: collapse; margin: .5rem 0 1rem; font-variant-numeric: tabular-nums; font-size: .93rem; }
th, td { border: 1px solid #ccc; padding: .25rem .6rem; text-align: left; vertical-align: top; }
thead th { background: #f2f2f2; }
td.nombre { text-align: right; white-space: nowrap; }
tr.meilleur td, tr.meilleur th, td.utilise, th.utilise { background: #fff7d6; }
.echec { color: #b00020; font-weight: bold; }
th small { font-weight: normal; }
.formule { white-space: nowrap; }
tbody th { white-space: nowrap; }
td.direction { white-space: nowrap; }
@media print { figure, table { break-inside: avoid; } .defile { overflow: visible; } }
figure { margin: 1rem 0; }
figure svg.image { width: 100%; max-width: 50rem; height: auto; display: block; }
figcaption { color: #444; font-size: .92rem; }
.sans-image { border: 1px dashed #bbb; padding: 1rem; color: #666; }
footer { margin-top: 2rem; color: #777; font-size: .85rem; }
)";

} // namespace

std::string page_html(const nlohmann::json& rapport, int lignes, int colonnes,
                      const std::vector<double>& hauteurs_nivelees)
{
    const NumbersInCLocale c_numbers;
    const json* root = &rapport;
    const Units units = units_of(rapport);
    const json* reglages = child(root, "reglages");
    const json* hauteurs = child(root, "hauteurs");
    const json* ajustements = child(root, "ajustements");
    const json* directions = child(root, "directions");
    const json* correlation = child(root, "correlation");
    const json* plage_json = child(reglages, "plage_ajustement");

    const std::string fichier = text(root, "fichier", "grille");
    const std::string levelling_key = text(reglages, "nivellement");
    const char* levelling = levelling_name(levelling_key);
    const std::string levelling_text =
        levelling != nullptr ? levelling : (levelling_key.empty() ? "non précisé" : levelling_key);
    const std::string L = escape(units.longueur);

    std::ostringstream out;
    out << "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
        << "<title>Rapport de rugosité — " << escape(fichier) << "</title>\n<style>" << style
        << "</style>\n</head>\n<body>\n";

    // Header.
    out << "<header>\n<h1>Rapport de rugosité</h1>\n<p class=\"sous-titre\">Grille " << escape(fichier);
    if (const auto n = number(reglages, "lignes"), m = number(reglages, "colonnes"); n && m)
        out << " : " << count(*n) << " lignes × " << count(*m) << " colonnes";
    out << " — route "
        << (units.route == "photogrammetrique" ? "photogrammétrique"
            : units.route == "manuelle"        ? "manuelle"
                                               : "non précisée")
        << " — longueurs en " << L << ", H(r) en " << escape(units.H) << "</p>\n";
    out << "<p class=\"nivellement\">Nivellement utilisé pour les figures : <strong>" << escape(levelling_text)
        << "</strong></p>\n";
    if (const auto e = failure(root))
        out << "<p>" << failure_html(*e) << "</p>\n";
    out << "</header>\n";

    // Fits, read once.
    struct Fit {
        std::string key;
        const json* part = nullptr;
        std::optional<std::string> failed;
        std::optional<double> sigma, L, erreur_sigma, erreur_L, residu, rayons;
        std::optional<std::pair<double, double>> intervalle_sigma, intervalle_L;
    };
    std::vector<Fit> fits;
    const std::optional<std::string> fits_failed = failure(ajustements);
    for (const char* key : {"exponentiel", "gaussien"}) {
        Fit f;
        f.key = key;
        f.part = child(ajustements, key);
        f.failed = fits_failed ? fits_failed : failure(f.part);
        if (!f.failed && f.part == nullptr)
            f.failed = std::string("ajustement absent du rapport");
        f.sigma = number(f.part, "sigma");
        f.L = number(f.part, "L");
        f.erreur_sigma = number(f.part, "erreur_sigma");
        f.erreur_L = number(f.part, "erreur_L");
        f.residu = number(f.part, "residu");
        f.rayons = number(f.part, "rayons");
        f.intervalle_sigma = interval(f.part, "intervalle_sigma");
        f.intervalle_L = interval(f.part, "intervalle_L");
        fits.push_back(f);
    }
    const std::string best = text(ajustements, "meilleur");

    // Summary: the best model's figures.
    out << "<section id=\"resume\">\n<h2>En bref</h2>\n<div class=\"resume\">\n";
    const Fit* best_fit = nullptr;
    for (const auto& f : fits)
        if (f.key == best && !f.failed)
            best_fit = &f;
    if (best_fit == nullptr) {
        // Without a named better model, the summary shows the smaller residual.
        for (const auto& f : fits) {
            if (f.failed)
                continue;
            if (best_fit == nullptr || (f.residu && (!best_fit->residu || *f.residu < *best_fit->residu)))
                best_fit = &f;
        }
    }
    if (best_fit != nullptr) {
        out << "<div><div>σ (écart quadratique, modèle " << best_fit->key << ")</div><div class=\"valeur\">"
            << with_unit(best_fit->sigma, units.longueur)
            << "</div><div>intervalle à 95 % : " << format_interval(best_fit->intervalle_sigma) << "</div></div>\n";
        out << "<div><div>L (longueur de corrélation, modèle " << best_fit->key << ")</div><div class=\"valeur\">"
            << with_unit(best_fit->L, units.longueur)
            << "</div><div>intervalle à 95 % : " << format_interval(best_fit->intervalle_L) << "</div></div>\n";
    } else {
        out << "<div>" << failure_html(fits_failed ? *fits_failed : "aucun modèle ajusté") << "</div>\n";
    }
    const json* hauteurs_used = child(hauteurs, levelling_key.c_str());
    if (const auto sq = number(hauteurs_used, "Sq"))
        out << "<div><div>Sq (" << escape(levelling_text) << ")</div><div class=\"valeur\">"
            << with_unit(sq, units.longueur) << "</div></div>\n";
    out << "</div>\n</section>\n";

    // Pictures.
    const double pas = number(reglages, "pas").value_or(1.0);
    out << "<section id=\"carte\">\n<h2>Carte des hauteurs</h2>\n";
    {
        std::string svg;
        const GrilleReduite reduced = reduire_grille(lignes, colonnes, hauteurs_nivelees, cote_carte);
        std::string missing = "Carte indisponible : l'image n'a pas pu être dessinée.";
        if (reduced.valeurs.empty())
            missing = "Carte indisponible : hauteurs absentes ou en nombre incohérent avec la grille.";
        else if (std::none_of(reduced.valeurs.begin(), reduced.valeurs.end(),
                              [](double z) { return std::isfinite(z); }))
            missing = "Carte indisponible : aucune cellule réelle à dessiner.";
        if (!svg_disponible())
            missing = "Carte indisponible : le pilote SVG de PLplot est absent.";
        else
            svg = picture([&] {
                return carte_svg(lignes, colonnes, pas, hauteurs_nivelees, units.longueur,
                                 "Hauteurs nivelées — " + levelling_text, "fig-carte");
            });
        std::string caption = "Hauteurs après nivellement (" + escape(levelling_text) + "), en " + L +
                              " ; les cellules vides restent en blanc.";
        if (reduced.facteur > 1)
            caption += " Affichage par blocs de " + std::to_string(reduced.facteur) + " × " +
                       std::to_string(reduced.facteur) + " cellules (moyenne des cellules réelles).";
        figure(out, svg, caption, missing);
    }
    out << "</section>\n";

    const std::vector<double> r = numbers(correlation, "r");
    std::optional<Plage> plage;
    if (const auto a = number(plage_json, "r_min"), b = number(plage_json, "r_max"); a && b)
        plage = Plage{*a, *b};
    const std::string no_points = "Fonction indisponible : aucune séparation n'a de paires.";

    out << "<section id=\"fonction\">\n<h2>Fonction hauteur-hauteur H(r)</h2>\n";
    {
        std::vector<SerieMesuree> series = {{"H(r) mesurée, lignes et colonnes", r, numbers(correlation, "H"), bleu}};
        std::vector<CourbeModele> curves;
        for (const auto& f : fits) {
            if (f.failed || !f.sigma || !f.L)
                continue;
            curves.push_back({"modèle " + f.key + " : σ = " + format(f.sigma) + " " + units.longueur +
                                  ", L = " + format(f.L) + " " + units.longueur,
                              f.key, *f.sigma, *f.L, f.key == "exponentiel" ? rouge : vert,
                              f.key == "exponentiel" ? 1 : 2});
        }
        const std::string svg = picture([&] {
            return fonction_svg(series, curves, plage, "H(r) en commun, deux modèles ajustés", units.longueur, units.H,
                                "fig-fonction");
        });
        std::string caption = "Points : moyenne du carré de la différence de hauteur entre deux cellules réelles à la "
                              "distance r, le long des lignes et des colonnes. Courbes : modèles ajustés "
                              "(pondération par le nombre de paires).";
        if (plage)
            caption += " Zone grisée : plage d'ajustement, r de " + format(plage->r_min) + " à " +
                       format(plage->r_max) + " " + L + ".";
        for (const auto& f : fits)
            if (f.failed)
                caption += " Modèle " + f.key + " : " + failure_html(*f.failed) + ".";
        figure(out, svg, caption, no_points);
    }
    // Fits in each direction: both models when the report holds them, else the
    // one model of the directions' main figures.
    struct DirectionFit {
        std::string model;
        std::string direction; // "lignes" or "colonnes"
        std::optional<std::string> failed;
        std::optional<double> sigma, L, erreur_sigma, erreur_L, residu;
    };
    const auto directions_failed = failure(directions);
    const std::string main_model = text(directions, "modele", "exponentiel");
    std::vector<DirectionFit> direction_fits;
    if (const json* per_model = child(directions, "par_modele");
        !directions_failed && per_model != nullptr && per_model->is_object()) {
        for (const char* model : {"exponentiel", "gaussien"}) {
            const json* m = child(per_model, model);
            for (const char* direction : {"lignes", "colonnes"}) {
                const json* d = child(m, direction);
                DirectionFit f{model, direction, failure(m), {}, {}, {}, {}, {}};
                if (!f.failed)
                    f.failed = failure(d);
                if (!f.failed && d == nullptr)
                    f.failed = std::string("ajustement absent du rapport");
                f.sigma = number(d, "sigma");
                f.L = number(d, "L");
                f.erreur_sigma = number(d, "erreur_sigma");
                f.erreur_L = number(d, "erreur_L");
                f.residu = number(d, "residu");
                direction_fits.push_back(f);
            }
        }
    } else if (!directions_failed) {
        for (const char* direction : {"lignes", "colonnes"}) {
            DirectionFit f{main_model, direction, {}, {}, {}, {}, {}, {}};
            f.sigma = number(directions, (std::string("sigma_") + direction).c_str());
            f.L = number(directions, (std::string("L_") + direction).c_str());
            direction_fits.push_back(f);
        }
    }
    {
        std::vector<SerieMesuree> series = {{"le long des lignes", r, numbers(correlation, "H_lignes"), bleu},
                                            {"le long des colonnes", r, numbers(correlation, "H_colonnes"), orange}};
        std::vector<CourbeModele> curves;
        std::string models_drawn;
        for (const auto& f : direction_fits) {
            if (f.failed || !f.sigma || !f.L)
                continue;
            curves.push_back({f.model + ", " + f.direction + " : L = " + format(f.L) + " " + units.longueur, f.model,
                              *f.sigma, *f.L, f.direction == "lignes" ? bleu : orange,
                              f.model == "exponentiel" ? 1 : 2});
            if (models_drawn.find(f.model) == std::string::npos)
                models_drawn += (models_drawn.empty() ? "" : " et ") + f.model;
        }
        const std::string svg = picture([&] {
            return fonction_svg(series, curves, plage, "H(r) par direction", units.longueur, units.H, "fig-directions");
        });
        std::string caption = "Lignes : paires de cellules d'une même ligne (r le long de x) ; colonnes : paires d'une "
                              "même colonne (r le long de y).";
        if (!models_drawn.empty())
            caption += " Courbes : modèle " + escape(models_drawn) +
                       " ajusté dans chaque direction (trait plein : exponentiel, pointillé : "
                       "gaussien).";
        if (directions_failed)
            caption += " " + failure_html(*directions_failed);
        figure(out, svg, caption, no_points);
    }
    out << "</section>\n";

    // Fits table.
    out << "<section id=\"ajustements\">\n<h2>Ajustements</h2>\n";
    if (fits_failed)
        out << "<p>" << failure_html(*fits_failed) << "</p>\n";
    out << "<div class=\"defile\"><table>\n<thead><tr><th>Modèle</th><th>σ (" << L << ")</th><th>erreur σ</th>"
        << "<th>σ, intervalle à 95 %</th><th>L (" << L << ")</th><th>erreur L</th>"
        << "<th>L, intervalle à 95 %</th><th>résidu</th><th>rayons</th></tr></thead>\n<tbody>\n";
    for (const auto& f : fits) {
        const bool is_best = f.key == best && !f.failed;
        out << "<tr" << (is_best ? " class=\"meilleur\"" : "") << "><th scope=\"row\">" << f.key
            << (f.key == "exponentiel" ? "<br/><small class=\"formule\">2σ²(1 − e<sup>−r/L</sup>)</small>"
                                       : "<br/><small class=\"formule\">2σ²(1 − e<sup>−(r/L)²</sup>)</small>")
            << "</th>";
        if (f.failed) {
            out << "<td colspan=\"8\">" << failure_html(*f.failed) << "</td></tr>\n";
            continue;
        }
        out << "<td class=\"nombre\">" << format(f.sigma) << "</td><td class=\"nombre\">± " << format(f.erreur_sigma)
            << "</td><td class=\"nombre\">" << format_interval(f.intervalle_sigma) << "</td><td class=\"nombre\">"
            << format(f.L) << "</td><td class=\"nombre\">± " << format(f.erreur_L) << "</td><td class=\"nombre\">"
            << format_interval(f.intervalle_L) << "</td><td class=\"nombre\">" << format(f.residu)
            << "</td><td class=\"nombre\">" << count(f.rayons) << "</td></tr>\n";
    }
    out << "</tbody>\n</table></div>\n";
    if (const char* name = model_name(best))
        out << "<p>Le modèle <strong>" << name << "</strong> s'ajuste le mieux (plus petit résidu pondéré).</p>\n";
    else
        out << "<p>Meilleur modèle : " << absent << "</p>\n";
    for (const auto& f : fits) {
        const json* b = child(f.part, "bootstrap");
        const auto ok = number(b, "reussis");
        const auto ko = number(b, "echecs");
        if (f.failed || (!ok && !ko))
            continue;
        out << "<p>Bootstrap du modèle " << f.key << " : " << count(ok) << " tirages ajustés, " << count(ko)
            << " en échec";
        if (const json* exact = child(b, "covariance_exacte"); exact != nullptr && exact->is_boolean())
            out << (exact->get<bool>() ? " ; surfaces simulées de covariance exacte"
                                       : " ; covariance des surfaces simulées approchée");
        out << ".</p>\n";
    }
    out << "<p>Erreurs : écarts types de l'ajustement. Intervalles : "
        << escape(text(reglages, "methode_intervalle", "méthode non précisée")) << ".</p>\n";
    out << "</section>\n";

    // Directions.
    out << "<section id=\"directions\">\n<h2>Par direction</h2>\n";
    if (directions_failed) {
        out << "<p>" << failure_html(*directions_failed) << "</p>\n";
    } else {
        out << "<div class=\"defile\"><table>\n<tbody>\n";
        row(out, "L le long des lignes (modèle " + escape(main_model) + ")",
            with_unit(number(directions, "L_lignes"), units.longueur));
        row(out, "L le long des colonnes (modèle " + escape(main_model) + ")",
            with_unit(number(directions, "L_colonnes"), units.longueur));
        row(out, "Anisotropie (L lignes / L colonnes)", format(number(directions, "anisotropie")));
        row(out, "σ le long des lignes", with_unit(number(directions, "sigma_lignes"), units.longueur));
        row(out, "σ le long des colonnes", with_unit(number(directions, "sigma_colonnes"), units.longueur));
        out << "</tbody>\n</table></div>\n";
        if (direction_fits.size() > 2) {
            out << "<div class=\"defile\"><table>\n<thead><tr><th>Modèle</th><th>Direction</th><th>σ (" << L
                << ")</th><th>erreur σ</th><th>L (" << L
                << ")</th><th>erreur L</th><th>résidu</th></tr></thead>\n<tbody>\n";
            for (const auto& f : direction_fits) {
                out << "<tr><th scope=\"row\">" << escape(f.model) << "</th><td class=\"direction\">le long des "
                    << escape(f.direction) << "</td>";
                if (f.failed) {
                    out << "<td colspan=\"5\">" << failure_html(*f.failed) << "</td></tr>\n";
                    continue;
                }
                out << "<td class=\"nombre\">" << format(f.sigma) << "</td><td class=\"nombre\">± "
                    << format(f.erreur_sigma) << "</td><td class=\"nombre\">" << format(f.L)
                    << "</td><td class=\"nombre\">± " << format(f.erreur_L) << "</td><td class=\"nombre\">"
                    << format(f.residu) << "</td></tr>\n";
            }
            out << "</tbody>\n</table></div>\n";
        }
    }
    out << "</section>\n";

    // Height parameters for the three levellings.
    out << "<section id=\"hauteurs\">\n<h2>Paramètres de hauteur</h2>\n";
    if (const auto e = failure(hauteurs))
        out << "<p>" << failure_html(*e) << "</p>\n";
    const std::vector<std::string> levellings = {"plan_moyen", "plan", "polynome2"};
    out << "<div class=\"defile\"><table>\n<thead><tr><th>Paramètre</th>";
    for (const auto& k : levellings)
        out << "<th" << (k == levelling_key ? " class=\"utilise\"" : "") << ">" << levelling_name(k)
            << (k == levelling_key ? " (utilisé)" : "") << "</th>";
    out << "</tr></thead>\n<tbody>\n";
    struct Parameter {
        const char* key;
        const char* description;
        bool length;
    };
    const Parameter parameters[] = {{"Sq", "écart quadratique moyen", true},
                                    {"Sa", "écart moyen arithmétique", true},
                                    {"Ssk", "asymétrie", false},
                                    {"Sku", "aplatissement", false},
                                    {"Sp", "hauteur du plus haut pic", true},
                                    {"Sv", "profondeur du plus bas creux", true},
                                    {"Sz", "hauteur maximale (Sp + Sv)", true}};
    for (const auto& p : parameters) {
        out << "<tr><th scope=\"row\">" << p.key << "<br/><small>" << p.description
            << (p.length ? " (" + L + ")" : std::string(" (sans unité)")) << "</small></th>";
        for (const auto& k : levellings) {
            const json* part = child(hauteurs, k.c_str());
            out << "<td class=\"nombre" << (k == levelling_key ? " utilise" : "") << "\">";
            if (const auto e = failure(part))
                out << failure_html(*e);
            else
                out << format(number(part, p.key));
            out << "</td>";
        }
        out << "</tr>\n";
    }
    out << "</tbody>\n</table></div>\n</section>\n";

    // Settings.
    out << "<section id=\"reglages\">\n<h2>Réglages</h2>\n<div class=\"defile\"><table>\n<tbody>\n";
    {
        const auto n = number(reglages, "lignes");
        const auto m = number(reglages, "colonnes");
        row(out, "Grille", count(n) + " lignes × " + count(m) + " colonnes");
        row(out, "Pas", with_unit(number(reglages, "pas"), units.longueur));
        const auto vide = number(reglages, "part_vide");
        row(out, "Cellules (dont vides)",
            count(number(reglages, "cellules")) + " (" + count(number(reglages, "cellules_vides")) +
                (vide ? ", soit " + format(100.0 * *vide) + " %" : std::string()) + ")");
        row(out, "Nivellement", escape(levelling_text));
        std::string range = absent;
        if (plage)
            range = "r de " + format(plage->r_min) + " à " + format(plage->r_max) + " " + L + " (" +
                    count(number(plage_json, "rayons")) + " rayons)";
        const std::string rule = text(plage_json, "regle");
        if (!rule.empty())
            range += "<br/><small>" + escape(rule) + "</small>";
        row(out, "Plage d'ajustement", range);
        const std::string weighting = text(reglages, "ponderation");
        row(out, "Pondération",
            weighting == "paires" ? "par le nombre de paires" : escape(weighting.empty() ? absent : weighting));
        std::string models;
        if (const json* list = child(reglages, "modeles"); list != nullptr && list->is_array())
            for (const auto& v : *list)
                if (v.is_string())
                    models += (models.empty() ? "" : ", ") + escape(v.get<std::string>());
        row(out, "Modèles", models.empty() ? absent : models);
        row(out, "Tirages du bootstrap (K)", count(number(reglages, "K")));
        row(out, "Graine", count(number(reglages, "graine")));
        row(out, "Intervalles à 95 %", escape(text(reglages, "methode_intervalle", absent)));
    }
    out << "</tbody>\n</table></div>\n</section>\n";

    out << "<footer>" << escape(text(root, "outil", "rugosite-rapport"));
    if (const auto v = number(root, "version"))
        out << ", schéma du rapport " << count(*v);
    out << ". Page autonome : aucune ressource extérieure.</footer>\n</body>\n</html>\n";
    return out.str();
}

} // namespace rapport
