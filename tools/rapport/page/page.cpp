#include "tools/rapport/page/page.hpp"

#include "tools/rapport/page/figures.hpp"

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

// Four significant figures: fixed notation from 1e-4 to 1e4, scientific
// beyond; trailing zeros kept, so that every figure of a table shows four.
std::string format(std::optional<double> v)
{
    if (!v)
        return absent;
    if (*v == 0.0)
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%#.4g", *v);
    std::string text = buffer;
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
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

std::string percent(std::optional<double> share)
{
    if (!share)
        return absent;
    return format(100.0 * *share) + " %";
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
    if (key == "lignes")
        return "une droite par ligne de la grille";
    if (key == "lignes_moyenne")
        return "la moyenne de chaque ligne de la grille";
    if (key == "colonnes")
        return "une droite par colonne de la grille";
    if (key == "colonnes_moyenne")
        return "la moyenne de chaque colonne de la grille";
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

// The report writes its units without accents; the page shows them as French
// is written, and the pictures a short form.
std::string replace_all(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t i = 0; (i = text.find(from, i)) != std::string::npos; i += to.size())
        text.replace(i, from.size(), to);
    return text;
}

struct Units {
    std::string route;
    std::string longueur; // as shown in the page
    std::string H;
    std::string court;    // in the pictures' legends and axes
};

Units units_of(const json& rapport)
{
    const json* u = child(&rapport, "unite");
    Units units;
    units.route = text(u, "route");
    const std::string longueur =
        text(u, "longueur", units.route == "photogrammetrique" ? "% du cote du cadre" : "cm");
    units.longueur = replace_all(longueur, "% du cote du cadre", "% du côté du cadre");
    units.H = replace_all(text(u, "H", "(" + longueur + ")²"), "% du cote du cadre", "% du côté du cadre");
    units.court = replace_all(longueur, "% du cote du cadre", "% du côté");
    return units;
}

// A direction of the grid as the report names it: its key in the object
// (L_<key>, H_<key>, par_modele.<modele>.<key>), its full name, and a short
// one for the pictures' legends.
struct Axis {
    std::string key;
    std::string name;
    std::string short_name;
};

std::string short_axis_name(const std::string& key, const std::string& name)
{
    if (key == "X" || key == "Y")
        return "côté " + key;
    if (key == "barre" || key == "cadre" || key == "lignes" || key == "colonnes")
        return key;
    return name;
}

// The two directions of directions.axes; a report that lists none (schema 1)
// has its directions along the rows and the columns of the grid.
std::vector<Axis> axes_of(const json* directions)
{
    std::vector<Axis> axes;
    if (const json* list = child(directions, "axes"); list != nullptr && list->is_array() && list->size() == 2) {
        for (const auto& a : *list) {
            const std::string key = text(&a, "cle");
            if (key.empty())
                break;
            const std::string name = text(&a, "nom", key);
            axes.push_back({key, name, short_axis_name(key, name)});
        }
    }
    if (axes.size() != 2)
        axes = {{"lignes", "le long des lignes", "lignes"}, {"colonnes", "le long des colonnes", "colonnes"}};
    return axes;
}

// The map's axes: the grid's columns run along x, its rows along y.
std::pair<std::string, std::string> map_axes(const std::string& route)
{
    if (route == "photogrammetrique")
        return {"x : côté X du cadre, de O à X", "y : côté Y du cadre, de O à Y"};
    if (route == "manuelle")
        return {"x : le long du cadre, positions de la barre", "y : le long de la barre, positions du chariot"};
    return {"x : d'une colonne de la grille à l'autre", "y : d'une ligne de la grille à l'autre"};
}

// A fit of the report (a model on the pooled function, or on one direction).
struct Fit {
    std::string key;
    const json* part = nullptr;
    std::optional<std::string> failed;
    std::optional<double> sigma, L, erreur_sigma, erreur_L, residu, rayons;
    std::optional<std::pair<double, double>> intervalle_sigma, intervalle_L;
    // What a grid that does not resolve L still bounds: L and σ from below
    // (a grid too short for L), or from above (a step too long for it).
    std::optional<double> borne_basse_sigma, borne_basse_L, borne_haute_sigma, borne_haute_L;
    bool unresolved = false; // resolu: false
    bool upper_beyond_grid = false; // L_haut_hors_grille
    std::string motif;
};

Fit read_fit(const std::string& key, const json* part, std::optional<std::string> failed)
{
    Fit f;
    f.key = key;
    f.part = part;
    f.failed = failed ? failed : failure(part);
    if (!f.failed && part == nullptr)
        f.failed = std::string("ajustement absent du rapport");
    f.sigma = number(part, "sigma");
    f.L = number(part, "L");
    f.erreur_sigma = number(part, "erreur_sigma");
    f.erreur_L = number(part, "erreur_L");
    f.residu = number(part, "residu");
    f.rayons = number(part, "rayons");
    if (const json* resolved = child(part, "resolu"); resolved != nullptr && resolved->is_boolean())
        f.unresolved = !resolved->get<bool>();
    if (const json* hors = child(part, "L_haut_hors_grille"); hors != nullptr && hors->is_boolean())
        f.upper_beyond_grid = hors->get<bool>();
    f.motif = text(part, "motif");
    // A fit that is not resolved has no interval, whatever the object holds.
    if (!f.unresolved) {
        f.intervalle_sigma = interval(part, "intervalle_sigma");
        f.intervalle_L = interval(part, "intervalle_L");
    } else {
        f.borne_basse_sigma = number(part, "borne_basse_sigma");
        f.borne_basse_L = number(part, "borne_basse_L");
        f.borne_haute_sigma = number(part, "borne_haute_sigma");
        f.borne_haute_L = number(part, "borne_haute_L");
    }
    return f;
}

// A figure of a fit, marked when the fit is not resolved.
std::string fit_figure(const Fit& f, std::optional<double> v, const std::string& unit = {})
{
    std::string html = unit.empty() ? format(v) : with_unit(v, unit);
    if (f.unresolved && v)
        html += " <small class=\"non-resolu\">non résolu</small>";
    return html;
}

enum class Figure { sigma, L };

// A fit's interval of σ or L; for a fit not resolved, the one-sided end the
// grid still gives, if any.
std::string fit_interval(const Fit& f, Figure quoi)
{
    const bool L = quoi == Figure::L;
    if (!f.unresolved)
        return format_interval(L ? f.intervalle_L : f.intervalle_sigma);
    if (const auto basse = L ? f.borne_basse_L : f.borne_basse_sigma)
        return "aucun (non résolu) ; au moins " + format(basse) + " (borne basse à 97,5 %)";
    if (const auto haute = L ? f.borne_haute_L : f.borne_haute_sigma)
        return "aucun (non résolu) ; au plus " + format(haute) + " (borne haute à 97,5 %)";
    return "aucun (non résolu)";
}

// The reason of an unresolved fit, as a clause that the page ends itself.
std::string motif_text(const Fit& f)
{
    std::string motif = f.motif.empty() ? std::string("cette grille ne résout pas L") : f.motif;
    while (!motif.empty() && (motif.back() == '.' || motif.back() == ' '))
        motif.pop_back();
    return motif;
}

// The fit range's rule in words: the page's own for reliefstat's cut and a
// fixed count, the report's text for any other rule. A report that does not
// name its rule (schema 1) used reliefstat's cut unless it fixed a count.
std::string rule_text(const json* range)
{
    const std::string rule = text(range, "regle");
    std::string name = text(range, "nom");
    if (name.empty() && !rule.empty())
        name = rule.find("--rayons") != std::string::npos ? "rayons" : "reliefstat";
    if (name == "reliefstat")
        return "coupe de reliefstat : les séparations avant la première suite de quatre baisses strictes de la "
               "fonction commune, avant la première séparation sans paire, 50 au plus";
    if (name == "rayons") {
        const auto n = number(range, "rayons");
        return "les " + count(n) + " premières séparations (--rayons)";
    }
    return rule;
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
.avertissement { background: #fff4e5; border-left: 4px solid #e67e00; padding: .4rem .8rem; }
.resume { display: flex; flex-wrap: wrap; gap: 1rem; }
.resume > div { border: 1px solid #ddd; border-radius: 4px; padding: .5rem .9rem; min-width: 14rem; }
.resume .valeur { font-size: 1.3rem; font-weight: bold; }
.citer { font-size: .95rem; color: #333; }
.defile { overflow-x: auto; }
table { border-collapse: collapse; margin: .5rem 0 1rem; font-variant-numeric: tabular-nums; font-size: .93rem; }
th, td { border: 1px solid #ccc; padding: .25rem .6rem; text-align: left; vertical-align: top; }
thead th { background: #f2f2f2; }
td.nombre { text-align: right; white-space: nowrap; }
tr.meilleur td, tr.meilleur th, td.utilise, th.utilise { background: #fff7d6; }
.echec { color: #b00020; font-weight: bold; }
.non-resolu { color: #b35900; font-weight: bold; }
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

// The schema this page is written for; an older one (1) is read with the
// names it had, a newer one is shown with a warning.
constexpr int page_schema = 2;

// The surface-texture parameters and their three pictures, when the report
// holds them (a flat surface, or a report of schema 1, does not).
void texture_section(std::ostringstream& out, const json& root, const Units& units)
{
    const json* espace = child(&root, "espace");
    const json* hybrides = child(&root, "hybrides");
    const json* fonctionnels = child(&root, "fonctionnels");
    if (espace == nullptr && hybrides == nullptr && fonctionnels == nullptr)
        return;
    const std::string L = escape(units.longueur);
    out << "<section id=\"texture\">\n<h2>Paramètres de texture</h2>\n<div class=\"defile\"><table>\n<tbody>\n";
    struct Parameter {
        const json* group;
        const char* key;
        std::string description;
    };
    const std::string volume = "volume par unité d'aire (" + L + ")";
    const Parameter parameters[] = {
        {espace, "Sal", "longueur d'autocorrélation, la plus courte (" + L + ")"},
        {espace, "Str", "rapport d'aspect de la texture (sans unité)"},
        {espace, "Std", "direction de la texture (degrés depuis l'axe x)"},
        {hybrides, "Sdq", "pente quadratique moyenne (sans unité)"},
        {hybrides, "Sdr", "rapport de surface développée (fraction)"},
        {fonctionnels, "Smr", "taux de portance à la hauteur 0 (fraction)"},
        {fonctionnels, "Smc", "hauteur au taux de portance 10 % (" + L + ")"},
        {fonctionnels, "Sk", "profondeur du cœur (" + L + ")"},
        {fonctionnels, "Spk", "hauteur réduite des pics (" + L + ")"},
        {fonctionnels, "Svk", "profondeur réduite des creux (" + L + ")"},
        {fonctionnels, "Smr1", "taux de portance haut du cœur (fraction)"},
        {fonctionnels, "Smr2", "taux de portance bas du cœur (fraction)"},
        {fonctionnels, "Vmp", "volume de matière des pics, " + volume},
        {fonctionnels, "Vmc", "volume de matière du cœur, " + volume},
        {fonctionnels, "Vvc", "volume de vide du cœur, " + volume},
        {fonctionnels, "Vvv", "volume de vide des creux, " + volume}};
    for (const auto& p : parameters) {
        std::string value = format(number(p.group, p.key));
        if (const auto i = interval(p.group, ("intervalle_" + std::string(p.key)).c_str()))
            value += " ; intervalle à 95 % : " + format_interval(i);
        row(out, std::string(p.key) + "<br/><small>" + p.description + "</small>", value);
    }
    out << "</tbody>\n</table></div>\n";

    const json* acf = child(&root, "autocorrelation");
    std::vector<double> values;
    if (const json* rows = child(acf, "valeurs"); rows != nullptr && rows->is_array())
        for (const auto& r : *rows)
            for (const auto& v : r)
                values.push_back(v.is_number() ? v.get<double>() : std::nan(""));
    const int acf_rows = static_cast<int>(number(acf, "decalages_lignes").value_or(0));
    const int acf_columns = static_cast<int>(number(acf, "decalages_colonnes").value_or(0));
    const double lag = number(acf, "pas_decalage").value_or(0.0);
    const double threshold = number(espace, "seuil").value_or(0.2);
    const std::string missing = "Image impossible à dessiner.";
    figure(out,
           picture([&] {
               return autocorrelation_svg(acf_rows, acf_columns, lag, values, threshold, units.court,
                                          "Autocorrélation surfacique", "fig-autocorrelation");
           }),
           "Autocorrélation surfacique R des hauteurs nivelées, décalage par décalage ; Sal et Str se lisent sur "
           "le contour rouge.",
           missing);
    const json* spectrum = child(&root, "spectre");
    figure(out,
           picture([&] {
               return spectre_svg(numbers(spectrum, "frequences_radiales"), numbers(spectrum, "radial"),
                                  "cycles par " + units.court, "(" + units.court + ")⁴", "Spectre radial",
                                  "fig-spectre");
           }),
           "Densité spectrale de puissance moyennée sur des anneaux de fréquence, axes logarithmiques.", missing);
    figure(out,
           picture([&] {
               return portance_svg(numbers(fonctionnels, "courbe_portance"), units.court, "Courbe de portance",
                                   "fig-portance");
           }),
           "Courbe de portance : la hauteur nivelée à chaque taux de portance, de 0 à 100 %.", missing);
    out << "</section>\n";
}

// A fit in one direction of the grid.
struct DirectionFit {
    std::string model;
    const Axis* axis;
    Fit fit;
};

// What the page's sections read from the report object, read once. The
// direction fits point into `axes`: a Report stays where it is made.
struct Report {
    explicit Report(const json& rapport);
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    const json* root;
    Units units;
    const json *reglages, *hauteurs, *ajustements, *directions, *correlation, *plage_json;
    std::string fichier, levelling_key, levelling_text;
    std::string L; // the length unit, escaped
    bool flat = false;
    std::vector<Fit> fits; // the two models on the pooled function
    std::optional<std::string> fits_failed;
    std::string best;
    bool with_errors = false; // standard errors, in the fits' tables only
    std::vector<double> r;
    std::optional<Plage> plage;
    std::string no_points = "Fonction indisponible : aucune séparation n'a de paires.";
    std::string unresolved_tag = " (non résolu)";
    // Fits in each direction: both models when the report holds them, else the
    // one model of the directions' main figures.
    std::vector<Axis> axes;
    std::optional<std::string> directions_failed;
    std::string main_model;
    std::vector<DirectionFit> direction_fits;

private:
    void read_direction_fits();
};

Report::Report(const json& rapport)
    : root(&rapport), units(units_of(rapport)), reglages(child(root, "reglages")), hauteurs(child(root, "hauteurs")),
      ajustements(child(root, "ajustements")), directions(child(root, "directions")),
      correlation(child(root, "correlation")), plage_json(child(reglages, "plage_ajustement"))
{
    fichier = text(root, "fichier", "grille");
    levelling_key = text(reglages, "nivellement");
    const char* levelling = levelling_name(levelling_key);
    levelling_text = levelling != nullptr ? levelling : (levelling_key.empty() ? "non précisé" : levelling_key);
    L = escape(units.longueur);
    const json* flat_json = child(root, "surface_plate");
    flat = flat_json != nullptr && flat_json->is_boolean() && flat_json->get<bool>();

    fits_failed = failure(ajustements);
    for (const char* key : {"exponentiel", "gaussien"})
        fits.push_back(read_fit(key, child(ajustements, key), fits_failed));
    best = text(ajustements, "meilleur");
    for (const auto& f : fits)
        with_errors = with_errors || (!f.failed && (f.erreur_sigma || f.erreur_L));

    r = numbers(correlation, "r");
    if (const auto a = number(plage_json, "r_min"), b = number(plage_json, "r_max"); a && b)
        plage = Plage{*a, *b};

    read_direction_fits();
    for (const auto& d : direction_fits)
        with_errors = with_errors || (!d.fit.failed && (d.fit.erreur_sigma || d.fit.erreur_L));
}

void Report::read_direction_fits()
{
    axes = axes_of(directions);
    directions_failed = failure(directions);
    main_model = text(directions, "modele", "exponentiel");
    if (const json* per_model = child(directions, "par_modele");
        !directions_failed && per_model != nullptr && per_model->is_object()) {
        for (const char* model : {"exponentiel", "gaussien"}) {
            const json* m = child(per_model, model);
            for (const auto& axis : axes)
                direction_fits.push_back({model, &axis, read_fit(model, child(m, axis.key.c_str()), failure(m))});
        }
    } else if (!directions_failed) {
        for (const auto& axis : axes) {
            Fit f;
            f.key = main_model;
            f.sigma = number(directions, ("sigma_" + axis.key).c_str());
            f.L = number(directions, ("L_" + axis.key).c_str());
            direction_fits.push_back({main_model, &axis, f});
        }
    }
}

// The page up to its body, with the style sheet.
void document_head(std::ostringstream& out, const Report& rep)
{
    const auto& fichier = rep.fichier;
    out << "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
        << "<title>Rapport de rugosité — " << escape(fichier) << "</title>\n<style>" << style
        << "</style>\n</head>\n<body>\n";
}

// The header, and what the reader must know before any figure.
void header_section(std::ostringstream& out, const Report& rep)
{
    const auto& root = rep.root;
    const auto& units = rep.units;
    const auto& reglages = rep.reglages;
    const auto& fichier = rep.fichier;
    const auto& levelling_text = rep.levelling_text;
    const auto& L = rep.L;
    const auto& flat = rep.flat;
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
    if (const auto version = number(root, "version"); version && *version > page_schema)
        out << "<p class=\"avertissement\">Rapport de schéma " << count(version)
            << ", plus récent que cette page (schéma " << page_schema
            << ") : des parties peuvent manquer.</p>\n";
    if (const auto extra = number(root, "hauteurs_en_trop"); extra && *extra > 0)
        out << "<p class=\"avertissement\">Attention : " << count(extra) << (*extra > 1 ? " valeurs suivent" : " valeur suit")
            << " les " << count(number(reglages, "cellules")) << " hauteurs qu'annonce l'en-tête de " << escape(fichier)
            << " ; " << (*extra > 1 ? "elles ont été ignorées" : "elle a été ignorée")
            << ". Vérifiez que l'en-tête donne bien la taille de la grille.</p>\n";
    if (flat)
        out << "<p class=\"avertissement\">Surface plate : après nivellement, les hauteurs ne s'écartent de la "
               "surface de référence que par des erreurs d'arrondi. Ni σ, ni L, ni intervalle n'ont de sens.</p>\n";
    if (const auto e = failure(root))
        out << "<p>" << failure_html(*e) << "</p>\n";
    out << "</header>\n";
}

// The fit the summary shows: the better model the report names, else the
// smaller residual.
const Fit* summary_fit(const Report& rep)
{
    const auto& fits = rep.fits;
    const auto& best = rep.best;
    const Fit* best_fit = nullptr;
    for (const auto& f : fits)
        if (f.key == best && !f.failed)
            best_fit = &f;
    if (best_fit == nullptr) {
        for (const auto& f : fits) {
            if (f.failed)
                continue;
            if (best_fit == nullptr || (f.residu && (!best_fit->residu || *f.residu < *best_fit->residu)))
                best_fit = &f;
        }
    }
    return best_fit;
}

// The summary: the better model's figures and Sq.
void summary_section(std::ostringstream& out, const Report& rep)
{
    const auto& units = rep.units;
    const auto& hauteurs = rep.hauteurs;
    const auto& levelling_key = rep.levelling_key;
    const auto& levelling_text = rep.levelling_text;
    const auto& flat = rep.flat;
    const auto& fits_failed = rep.fits_failed;
    out << "<section id=\"resume\">\n<h2>En bref</h2>\n<div class=\"resume\">\n";
    const Fit* best_fit = summary_fit(rep);
    if (flat) {
        out << "<div><div>σ et L</div><div class=\"valeur\">surface plate</div><div>aucun intervalle</div></div>\n";
    } else if (best_fit != nullptr) {
        out << "<div><div>σ (hauteur RMS, modèle " << best_fit->key << ")</div><div class=\"valeur\">"
            << fit_figure(*best_fit, best_fit->sigma, units.longueur) << "</div><div>intervalle à 95 % : "
            << fit_interval(*best_fit, Figure::sigma) << "</div></div>\n";
        out << "<div><div>L (longueur de corrélation, modèle " << best_fit->key << ")</div><div class=\"valeur\">"
            << fit_figure(*best_fit, best_fit->L, units.longueur) << "</div><div>intervalle à 95 % : "
            << fit_interval(*best_fit, Figure::L) << "</div></div>\n";
    } else {
        out << "<div>" << failure_html(fits_failed ? *fits_failed : "aucun modèle ajusté") << "</div>\n";
    }
    const json* hauteurs_used = child(hauteurs, levelling_key.c_str());
    if (const auto sq = number(hauteurs_used, "Sq"))
        out << "<div><div>Sq (" << escape(levelling_text) << ")</div><div class=\"valeur\">"
            << with_unit(sq, units.longueur) << "</div></div>\n";
    out << "</div>\n";
    if (!flat && best_fit != nullptr && best_fit->unresolved)
        out << "<p class=\"avertissement\">Modèle " << best_fit->key << " non résolu : "
            << escape(motif_text(*best_fit)) << ".</p>\n";
    if (!flat && best_fit != nullptr && !best_fit->unresolved && best_fit->upper_beyond_grid)
        out << "<p class=\"avertissement\">La borne haute de l'intervalle de L dépasse l'étendue de la grille : "
               "cette grille ne borne pas L par le haut, seule la borne basse dit quelque chose.</p>\n";
    if (!flat && best_fit != nullptr)
        out << "<p class=\"citer\">Le σ à citer est celui du modèle retenu, la hauteur RMS de la surface que décrit "
               "la fonction H(r) ajustée ; Sq n'est que l'écart quadratique des hauteurs de cette grille à son "
               "nivellement, souvent plus petit que σ parce que le nivellement retire une part des grandes "
               "ondulations, et la hauteur RMS de reliefstat est ce même écart autour de la seule hauteur "
               "moyenne, inclinaison comprise.</p>\n";
    out << "</section>\n";
}

// The map of the levelled heights.
void map_section(std::ostringstream& out, const Report& rep, int lignes, int colonnes,
                 const std::vector<double>& hauteurs_nivelees)
{
    const auto& units = rep.units;
    const auto& reglages = rep.reglages;
    const auto& levelling_text = rep.levelling_text;
    const auto& L = rep.L;
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
        const auto [axis_x, axis_y] = map_axes(units.route);
        if (!svg_disponible())
            missing = "Carte indisponible : le pilote SVG de PLplot est absent.";
        else
            svg = picture([&] {
                return carte_svg(lignes, colonnes, pas, hauteurs_nivelees, units.court, axis_x, axis_y,
                                 "Hauteurs nivelées — " + levelling_text, "fig-carte");
            });
        std::string caption = "Hauteurs après nivellement (" + escape(levelling_text) + "), en " + L +
                              ". Chaque cellule est centrée sur son nœud ; les cellules vides restent en blanc.";
        if (reduced.facteur > 1)
            caption += " Affichage par blocs de " + std::to_string(reduced.facteur) + " × " +
                       std::to_string(reduced.facteur) + " cellules (moyenne des cellules réelles).";
        figure(out, svg, caption, missing);
    }
    out << "</section>\n";
}

// H(r) of the two directions together, with the two models.
void function_figure(std::ostringstream& out, const Report& rep)
{
    const auto& units = rep.units;
    const auto& correlation = rep.correlation;
    const auto& L = rep.L;
    const auto& fits = rep.fits;
    const auto& r = rep.r;
    const auto& plage = rep.plage;
    const auto& no_points = rep.no_points;
    const auto& unresolved_tag = rep.unresolved_tag;
    out << "<section id=\"fonction\">\n<h2>Fonction hauteur-hauteur H(r)</h2>\n";
    {
        std::vector<SerieMesuree> series = {
            {"H(r) mesurée, les deux directions ensemble", r, numbers(correlation, "H"), bleu}};
        std::vector<CourbeModele> curves;
        for (const auto& f : fits) {
            if (f.failed || !f.sigma || !f.L)
                continue;
            curves.push_back({"modèle " + f.key + " : σ = " + format(f.sigma) + " " + units.court + ", L = " +
                                  format(f.L) + " " + units.court + (f.unresolved ? unresolved_tag : ""),
                              f.key, *f.sigma, *f.L, f.key == "exponentiel" ? rouge : vert,
                              f.key == "exponentiel" ? 1 : 2});
        }
        const std::string svg = picture([&] {
            return fonction_svg(series, curves, plage, "H(r) des deux directions, deux modèles ajustés", units.court,
                                units.H, "fig-fonction");
        });
        std::string caption = "Points : moyenne du carré de la différence de hauteur entre deux cellules réelles à la "
                              "distance r, dans les deux directions de la grille. Courbes : modèles ajustés "
                              "(pondération par le nombre de paires).";
        if (plage)
            caption += " Zone grisée : plage d'ajustement, r de " + format(plage->r_min) + " à " +
                       format(plage->r_max) + " " + L + ".";
        for (const auto& f : fits)
            if (f.failed)
                caption += " Modèle " + f.key + " : " + failure_html(*f.failed) + ".";
        figure(out, svg, caption, no_points);
    }
}

// H(r) in each direction, with the fits in each.
void directions_figure(std::ostringstream& out, const Report& rep)
{
    const auto& units = rep.units;
    const auto& correlation = rep.correlation;
    const auto& r = rep.r;
    const auto& plage = rep.plage;
    const auto& no_points = rep.no_points;
    const auto& unresolved_tag = rep.unresolved_tag;
    const auto& axes = rep.axes;
    const auto& directions_failed = rep.directions_failed;
    const auto& direction_fits = rep.direction_fits;
    {
        const Couleur colours[] = {bleu, orange};
        std::vector<SerieMesuree> series;
        for (std::size_t a = 0; a < axes.size(); ++a)
            series.push_back({axes[a].name, r, numbers(correlation, ("H_" + axes[a].key).c_str()), colours[a]});
        std::vector<CourbeModele> curves;
        std::string models_drawn;
        for (const auto& d : direction_fits) {
            const Fit& f = d.fit;
            if (f.failed || !f.sigma || !f.L)
                continue;
            curves.push_back({d.model + ", " + d.axis->short_name + " : L = " + format(f.L) + " " + units.court +
                                  (f.unresolved ? unresolved_tag : ""),
                              d.model, *f.sigma, *f.L, d.axis == &axes[0] ? bleu : orange,
                              d.model == "exponentiel" ? 1 : 2});
            if (models_drawn.find(d.model) == std::string::npos)
                models_drawn += (models_drawn.empty() ? "" : " et ") + d.model;
        }
        const std::string svg = picture([&] {
            return fonction_svg(series, curves, plage, "H(r) par direction", units.court, units.H, "fig-directions");
        });
        std::string caption = "Points : paires de cellules " + escape(axes[0].name) + " (en bleu) et " +
                              escape(axes[1].name) + " (en orange).";
        if (!models_drawn.empty())
            caption += " Courbes : modèle " + escape(models_drawn) +
                       " ajusté dans chaque direction (trait plein : exponentiel, pointillé : gaussien).";
        if (directions_failed)
            caption += " " + failure_html(*directions_failed);
        figure(out, svg, caption, no_points);
    }
    out << "</section>\n";
}

// The table of the fits on the pooled function.
void fits_table(std::ostringstream& out, const Report& rep)
{
    const auto& L = rep.L;
    const auto& fits = rep.fits;
    const auto& fits_failed = rep.fits_failed;
    const auto& best = rep.best;
    const auto& with_errors = rep.with_errors;
    out << "<section id=\"ajustements\">\n<h2>Ajustements</h2>\n";
    if (fits_failed)
        out << "<p>" << failure_html(*fits_failed) << "</p>\n";
    const int columns = with_errors ? 9 : 7;
    out << "<div class=\"defile\"><table>\n<thead><tr><th>Modèle</th><th>σ (" << L
        << ")</th><th>σ, intervalle à 95 %</th><th>L (" << L << ")</th><th>L, intervalle à 95 %</th>"
        << "<th>résidu</th><th>rayons</th>" << (with_errors ? "<th>erreur type σ</th><th>erreur type L</th>" : "")
        << "</tr></thead>\n<tbody>\n";
    for (const auto& f : fits) {
        const bool is_best = f.key == best && !f.failed;
        out << "<tr" << (is_best ? " class=\"meilleur\"" : "") << "><th scope=\"row\">" << f.key
            << (f.key == "exponentiel" ? "<br/><small class=\"formule\">2σ²(1 − e<sup>−r/L</sup>)</small>"
                                       : "<br/><small class=\"formule\">2σ²(1 − e<sup>−(r/L)²</sup>)</small>")
            << "</th>";
        if (f.failed) {
            out << "<td colspan=\"" << columns - 1 << "\">" << failure_html(*f.failed) << "</td></tr>\n";
            continue;
        }
        out << "<td class=\"nombre\">" << fit_figure(f, f.sigma) << "</td><td class=\"nombre\">"
            << fit_interval(f, Figure::sigma) << "</td><td class=\"nombre\">" << fit_figure(f, f.L)
            << "</td><td class=\"nombre\">" << fit_interval(f, Figure::L) << "</td><td class=\"nombre\">"
            << format(f.residu) << "</td><td class=\"nombre\">" << count(f.rayons) << "</td>";
        if (with_errors)
            out << "<td class=\"nombre\">± " << format(f.erreur_sigma) << "</td><td class=\"nombre\">± "
                << format(f.erreur_L) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody>\n</table></div>\n";
}

// What the fits' table needs said: unresolved models, the better one, the
// draws and the standard errors.
void fits_notes(std::ostringstream& out, const Report& rep)
{
    const auto& reglages = rep.reglages;
    const auto& fits = rep.fits;
    const auto& best = rep.best;
    const auto& with_errors = rep.with_errors;
    for (const auto& f : fits)
        if (!f.failed && f.unresolved)
            out << "<p>Modèle " << f.key << " <span class=\"non-resolu\">non résolu</span> : "
                << escape(motif_text(f)) << ". Ses chiffres sont donnés à titre indicatif, sans intervalle.</p>\n";
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
    // With draws, the standard errors are the spread of the simulated
    // surfaces' values; without, the fit's own, far too small.
    bool from_draws = false;
    for (const auto& f : fits)
        from_draws = from_draws || child(f.part, "sigma_ajuste") != nullptr;
    const char* errors_text =
        !with_errors ? ""
        : from_draws ? "Erreurs types : écarts types des valeurs réajustées sur les surfaces simulées. "
                     : "Erreurs types : celles de l'ajustement seul, qui tiennent σ et L pour exacts ; elles sont bien "
                       "plus petites que la dispersion réelle (de 5 à 40 fois sur des surfaces simulées) : citez les "
                       "intervalles. ";
    out << "<p>" << errors_text << "Intervalles : "
        << escape(text(reglages, "methode_intervalle", "méthode non précisée")) << ".</p>\n";
    out << "</section>\n";
}

// Every model in every direction, when the report holds them.
void direction_fits_table(std::ostringstream& out, const Report& rep)
{
    const auto& L = rep.L;
    const auto& with_errors = rep.with_errors;
    const auto& direction_fits = rep.direction_fits;
    out << "<div class=\"defile\"><table>\n<thead><tr><th>Modèle</th><th>Direction</th><th>σ (" << L
        << ")</th><th>L (" << L << ")</th><th>résidu</th>"
        << (with_errors ? "<th>erreur type σ</th><th>erreur type L</th>" : "") << "</tr></thead>\n<tbody>\n";
    for (const auto& d : direction_fits) {
        const Fit& f = d.fit;
        out << "<tr><th scope=\"row\">" << escape(d.model) << "</th><td class=\"direction\">"
            << escape(d.axis->name) << "</td>";
        if (f.failed) {
            out << "<td colspan=\"" << (with_errors ? 5 : 3) << "\">" << failure_html(*f.failed)
                << "</td></tr>\n";
            continue;
        }
        out << "<td class=\"nombre\">" << fit_figure(f, f.sigma) << "</td><td class=\"nombre\">"
            << fit_figure(f, f.L) << "</td><td class=\"nombre\">" << format(f.residu) << "</td>";
        if (with_errors)
            out << "<td class=\"nombre\">± " << format(f.erreur_sigma) << "</td><td class=\"nombre\">± "
                << format(f.erreur_L) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody>\n</table></div>\n";
    for (const auto& d : direction_fits)
        if (!d.fit.failed && d.fit.unresolved)
            out << "<p>Modèle " << escape(d.model) << ", " << escape(d.axis->name)
                << " : <span class=\"non-resolu\">non résolu</span> : " << escape(motif_text(d.fit))
                << ".</p>\n";
}

// The figures of each direction.
void directions_section(std::ostringstream& out, const Report& rep)
{
    const auto& units = rep.units;
    const auto& directions = rep.directions;
    const auto& axes = rep.axes;
    const auto& directions_failed = rep.directions_failed;
    const auto& main_model = rep.main_model;
    const auto& direction_fits = rep.direction_fits;
    out << "<section id=\"directions\">\n<h2>Par direction</h2>\n";
    if (directions_failed) {
        out << "<p>" << failure_html(*directions_failed) << "</p>\n";
    } else {
        // The main model's fit in a direction, for its marks.
        auto main_fit = [&](const Axis& axis) -> const Fit* {
            for (const auto& d : direction_fits)
                if (d.model == main_model && d.axis == &axis)
                    return &d.fit;
            return nullptr;
        };
        out << "<div class=\"defile\"><table>\n<tbody>\n";
        for (const char* figure_key : {"L", "sigma"}) {
            for (const auto& axis : axes) {
                const auto v = number(directions, (figure_key + ("_" + axis.key)).c_str());
                const Fit* f = main_fit(axis);
                row(out,
                    std::string(figure_key[0] == 'L' ? "L " : "σ ") + escape(axis.name) + " (modèle " +
                        escape(main_model) + ")",
                    f != nullptr ? fit_figure(*f, v, units.longueur) : with_unit(v, units.longueur));
            }
        }
        std::string anisotropy = format(number(directions, "anisotropie"));
        if (const auto i = interval(directions, "intervalle_anisotropie"))
            anisotropy += " ; intervalle à 95 % : " + format_interval(i);
        row(out, "Anisotropie (L " + escape(axes[0].short_name) + " / L " + escape(axes[1].short_name) + ")",
            anisotropy);
        out << "</tbody>\n</table></div>\n";
        if (rep.direction_fits.size() > 2)
            direction_fits_table(out, rep);
    }
    out << "</section>\n";
}

// The height parameters for the global levellings (and a line one, when chosen).
void heights_section(std::ostringstream& out, const Report& rep)
{
    const auto& hauteurs = rep.hauteurs;
    const auto& levelling_key = rep.levelling_key;
    const auto& L = rep.L;
    out << "<section id=\"hauteurs\">\n<h2>Paramètres de hauteur</h2>\n";
    if (const auto e = failure(hauteurs))
        out << "<p>" << failure_html(*e) << "</p>\n";
    std::vector<std::string> levellings = {"plan_moyen", "plan", "polynome2"};
    if (std::find(levellings.begin(), levellings.end(), levelling_key) == levellings.end() &&
        child(hauteurs, levelling_key.c_str()) != nullptr)
        levellings.push_back(levelling_key); // a line levelling, when chosen
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
}

// The settings of the measurement, and the footer.
void settings_section(std::ostringstream& out, const Report& rep)
{
    const auto& root = rep.root;
    const auto& units = rep.units;
    const auto& reglages = rep.reglages;
    const auto& plage_json = rep.plage_json;
    const auto& levelling_text = rep.levelling_text;
    const auto& L = rep.L;
    const auto& plage = rep.plage;
    out << "<section id=\"reglages\">\n<h2>Réglages</h2>\n<div class=\"defile\"><table>\n<tbody>\n";
    {
        const auto n = number(reglages, "lignes");
        const auto m = number(reglages, "colonnes");
        row(out, "Grille", count(n) + " lignes × " + count(m) + " colonnes");
        row(out, "Pas", with_unit(number(reglages, "pas"), units.longueur));
        row(out, "Cellules", count(number(reglages, "cellules")) + ", dont " +
                                 count(number(reglages, "cellules_vides")) + " vides");
        row(out, "Part de cellules vides",
            percent(number(reglages, "part_vide")) +
                (units.route == "photogrammetrique"
                     ? " des nœuds du cadre (x et y strictement entre 2 et 98 % du côté)"
                     : std::string(" des cellules")));
        if (const auto extra = number(root, "hauteurs_en_trop"); extra && *extra > 0)
            row(out, "Valeurs après les hauteurs annoncées", count(extra) + " (ignorées)");
        row(out, "Nivellement", escape(levelling_text));
        std::string range = absent;
        if (plage)
            range = "r de " + format(plage->r_min) + " à " + format(plage->r_max) + " " + L + " (" +
                    count(number(plage_json, "rayons")) + " rayons)";
        if (const std::string rule = rule_text(plage_json); !rule.empty())
            range += "<br/><small>" + escape(rule) + "</small>";
        row(out, "Plage d'ajustement", range);
        const std::string weighting = text(reglages, "ponderation");
        row(out, "Pondération",
            weighting == "paires" ? "par le nombre de paires" : escape(weighting.empty() ? absent : weighting));
        if (const json* disque = child(reglages, "disque")) {
            const json* done = child(disque, "corrige");
            const auto shift = number(disque, "decalage_H");
            if (done != nullptr && done->is_boolean() && done->get<bool>() && shift)
                row(out, "Disque de capture",
                    "r = " + format(number(disque, "rayon")) + " pas, " + format(number(disque, "points_par_noeud")) +
                        " points par nœud en moyenne : H relevée de " + format(shift) +
                        " (ce que la moyenne des points de chaque disque retire à la surface)");
            else
                row(out, "Disque de capture", "H non corrigée : " + escape(text(disque, "motif", absent)));
        }
        if (text(reglages, "pepite") == "libre")
            row(out, "Décalage à l'origine",
                "ajusté (H = modèle + a : bruit ou lissage du nuage que le disque de capture n'explique pas)");
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
}

} // namespace

std::string page_html(const nlohmann::json& rapport, int lignes, int colonnes,
                      const std::vector<double>& hauteurs_nivelees)
{
    const NumbersInCLocale c_numbers;
    const Report rep(rapport);
    std::ostringstream out;
    document_head(out, rep);
    header_section(out, rep);
    summary_section(out, rep);
    map_section(out, rep, lignes, colonnes, hauteurs_nivelees);
    function_figure(out, rep);
    directions_figure(out, rep);
    fits_table(out, rep);
    fits_notes(out, rep);
    directions_section(out, rep);
    heights_section(out, rep);
    texture_section(out, *rep.root, rep.units);
    settings_section(out, rep);
    return out.str();
}

} // namespace rapport
