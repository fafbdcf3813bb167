#include "tools/rapport/page/figures.hpp"

#include "tools/commun/svg.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace rapport {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// PLplot reads '#' as the start of an escape sequence in its texts.
std::string plplot_text(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '#')
            out += '#';
    }
    return out;
}

// Text made safe for an attribute value between double quotes.
std::string attribute(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

void append_utf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Makes PLplot's SVG file fit for inlining in the page: no XML prolog, a root
// sized by the page's style sheet, whitespace and default attributes dropped,
// character references turned back into UTF-8 text, and every id (and every
// reference to one) prefixed so that several pictures share one page.
std::string inline_svg(const std::string& raw, const std::string& id, const std::string& description)
{
    const auto start = raw.find("<svg");
    if (start == std::string::npos)
        return {};
    const auto root_end = raw.find('>', start);
    if (root_end == std::string::npos)
        return {};
    const std::string root = raw.substr(start, root_end - start);
    std::string view_box;
    if (const auto v = root.find("viewBox=\""); v != std::string::npos) {
        const auto e = root.find('"', v + 9);
        if (e != std::string::npos)
            view_box = root.substr(v + 9, e - v - 9);
    }
    std::string body;
    body.reserve(raw.size());
    // Collapse whitespace runs (texts hold no raw whitespace: PLplot writes
    // every character of a text as a reference).
    bool in_space = false;
    for (std::size_t i = root_end + 1; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            in_space = true;
            continue;
        }
        if (in_space) {
            if (c == '<')
                body += '\n';
            else if (c != '>' && !(c == '/' && i + 1 < raw.size() && raw[i + 1] == '>'))
                body += ' ';
            in_space = false;
        }
        body += c;
    }
    std::string out;
    out.reserve(body.size() + 200);
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" viewBox=\"" + view_box + "\" id=\"" + id +
           "\" class=\"image\" role=\"img\" aria-label=\"" + attribute(description) + "\">";
    static const std::array<std::string, 4> defaults = {" stroke-opacity=\"1.000000\"", " fill-opacity=\"1.000000\"",
                                                        " stroke-width=\"1.000000e+00\"", " fill-rule=\"nonzero\""};
    for (std::size_t i = 0; i < body.size();) {
        // Only these characters can start something to rewrite.
        const char c = body[i];
        if (c != ' ' && c != 'i' && c != 'u' && c != 'h' && c != '&') {
            const auto next = body.find_first_of(" iuh&", i);
            const auto stop = next == std::string::npos ? body.size() : next;
            out.append(body, i, stop - i);
            i = stop;
            continue;
        }
        bool skipped = false;
        if (c == ' ') {
            for (const auto& d : defaults) {
                if (body.compare(i, d.size(), d) == 0) {
                    i += d.size();
                    skipped = true;
                    break;
                }
            }
        }
        if (skipped)
            continue;
        const bool after_space = i > 0 && (body[i - 1] == ' ' || body[i - 1] == ':');
        if (after_space && body.compare(i, 4, "id=\"") == 0) {
            out += "id=\"" + id + "-";
            i += 4;
        } else if (body.compare(i, 5, "url(#") == 0) {
            out += "url(#" + id + "-";
            i += 5;
        } else if (after_space && body.compare(i, 7, "href=\"#") == 0) {
            out += "href=\"#" + id + "-";
            i += 7;
        } else if (body.compare(i, 3, "&#x") == 0) {
            const auto semi = body.find(';', i);
            const std::string hex = semi == std::string::npos ? "" : body.substr(i + 3, semi - i - 3);
            char* end = nullptr;
            const unsigned long code = hex.empty() ? 0 : std::strtoul(hex.c_str(), &end, 16);
            if (code == 0 || end == nullptr || *end != '\0' || code > 0x10FFFF) {
                out += body[i];
                ++i;
            } else if (code == '<' || code == '>' || code == '&') {
                out += code == '<' ? "&lt;" : code == '>' ? "&gt;" : "&amp;";
                i = semi + 1;
            } else {
                append_utf8(out, code);
                i = semi + 1;
            }
        } else {
            out += body[i];
            ++i;
        }
    }
    return out;
}

// One PLplot stream drawing a picture of the page: its colours, its
// characters' size, and its SVG made ready to inline.
class SvgCanvas {
public:
    SvgCanvas(int width, int height) : capture_(width, height, colours(), "rapport") { capture_.pls().schr(0, 0.9); }

    plstream& pls() { return capture_.pls(); }

    // Ends the stream and returns its picture, ready to inline.
    std::string finish(const std::string& id, const std::string& description)
    {
        return inline_svg(capture_.finir(), id, description);
    }

private:
    static outils::Couleurs colours()
    {
        // fond, encre, bleu, rouge, vert, gris clair, orange, gris, violet
        static const PLINT r[] = {255, 0, 31, 214, 44, 232, 255, 120, 148};
        static const PLINT g[] = {255, 0, 119, 39, 160, 232, 127, 120, 103};
        static const PLINT b[] = {255, 0, 180, 40, 44, 232, 14, 120, 189};
        return {r, g, b};
    }

    outils::CaptureSvg capture_;
};

// A perceptually ordered colour map (dark violet to yellow) for heights.
void height_colour_map(plstream& pls)
{
    const PLFLT position[] = {0.0, 0.25, 0.5, 0.75, 1.0};
    const PLFLT red[] = {0x44 / 255.0, 0x3b / 255.0, 0x21 / 255.0, 0x5e / 255.0, 0xfd / 255.0};
    const PLFLT green[] = {0x01 / 255.0, 0x52 / 255.0, 0x91 / 255.0, 0xc9 / 255.0, 0xe7 / 255.0};
    const PLFLT blue[] = {0x54 / 255.0, 0x8b / 255.0, 0x8c / 255.0, 0x62 / 255.0, 0x25 / 255.0};
    pls.scmap1n(256);
    pls.scmap1l(true, 5, position, red, green, blue, nullptr);
}

// Ticks at a round step giving about `target` intervals over [lo, hi].
double nice_step(double lo, double hi, int target)
{
    const double raw = (hi - lo) / target;
    if (!(raw > 0.0) || !std::isfinite(raw))
        return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * p >= raw)
            return m * p;
    return 10.0 * p;
}

// Labels of a log10 axis as plain numbers (0.5, 1, 10, 100) rather than
// powers of ten.
void plain_log_label(PLINT, PLFLT value, char* label, PLINT length, PLPointer)
{
    const double v = std::pow(10.0, value);
    std::snprintf(label, static_cast<std::size_t>(length), "%.*f",
                  value < 0.0 ? static_cast<int>(std::ceil(-value - 1e-9)) : 0, v);
}

} // namespace

GrilleReduite reduire_grille(int lignes, int colonnes, const std::vector<double>& hauteurs, int cote_max)
{
    GrilleReduite g;
    if (lignes <= 0 || colonnes <= 0 || cote_max <= 0 ||
        hauteurs.size() != static_cast<std::size_t>(lignes) * static_cast<std::size_t>(colonnes))
        return g;
    const int plus_grand = std::max(lignes, colonnes);
    g.facteur = (plus_grand + cote_max - 1) / cote_max;
    g.lignes = (lignes + g.facteur - 1) / g.facteur;
    g.colonnes = (colonnes + g.facteur - 1) / g.facteur;
    g.valeurs.assign(static_cast<std::size_t>(g.lignes) * g.colonnes, nan);
    for (int bi = 0; bi < g.lignes; ++bi) {
        for (int bj = 0; bj < g.colonnes; ++bj) {
            double somme = 0.0;
            int n = 0;
            for (int i = bi * g.facteur; i < std::min(lignes, (bi + 1) * g.facteur); ++i) {
                for (int j = bj * g.facteur; j < std::min(colonnes, (bj + 1) * g.facteur); ++j) {
                    const double z = hauteurs[static_cast<std::size_t>(i) * colonnes + j];
                    if (std::isfinite(z)) {
                        somme += z;
                        ++n;
                    }
                }
            }
            if (n > 0)
                g.valeurs[static_cast<std::size_t>(bi) * g.colonnes + bj] = somme / n;
        }
    }
    return g;
}

double modele_H(const std::string& modele, double sigma, double L, double r)
{
    if (modele == "exponentiel")
        return 2.0 * sigma * sigma * (1.0 - std::exp(-r / L));
    if (modele == "gaussien")
        return 2.0 * sigma * sigma * (1.0 - std::exp(-(r / L) * (r / L)));
    return nan;
}

bool svg_disponible()
{
    return outils::svg_disponible();
}

std::string carte_svg(int lignes, int colonnes, double pas, const std::vector<double>& hauteurs,
                      const std::string& unite, const std::string& axe_x, const std::string& axe_y,
                      const std::string& titre, const std::string& id)
{
    if (!svg_disponible() || !(pas > 0.0) || !std::isfinite(pas))
        return {};
    const GrilleReduite g = reduire_grille(lignes, colonnes, hauteurs, cote_carte);
    if (g.valeurs.empty())
        return {};
    double zmin = std::numeric_limits<double>::infinity();
    double zmax = -zmin;
    for (double z : g.valeurs) {
        if (std::isfinite(z)) {
            zmin = std::min(zmin, z);
            zmax = std::max(zmax, z);
        }
    }
    if (!(zmin <= zmax))
        return {}; // no real cell
    if (!std::isfinite(zmax - zmin))
        return {};
    if (zmax - zmin <= 1e-12 * std::max(1.0, std::abs(zmax))) {
        const double half = std::max(0.5 * std::abs(zmax), 1e-6);
        zmin -= half;
        zmax += half;
    }
    // Node k of the grid stands at k * pas; its cell spans half a step around
    // it. Block (bi, bj) covers the cells it averages, the last ones of a side
    // possibly fewer than facteur: each is drawn over exactly those cells.
    const double x0 = -0.5 * pas;
    const double y0 = -0.5 * pas;
    const double x1 = x0 + colonnes * pas;
    const double y1 = y0 + lignes * pas;
    if (!std::isfinite(x1) || !std::isfinite(y1))
        return {};

    SvgCanvas canvas(760, 620);
    plstream& pls = canvas.pls();
    height_colour_map(pls);
    pls.adv(0);
    pls.vpas(0.11, 0.80, 0.11, 0.92, (y1 - y0) / (x1 - x0));
    pls.wind(x0, x1, y0, y1);
    auto bord = [&](double origine, int bloc, int cellules) {
        return origine + std::min(cellules, bloc * g.facteur) * pas;
    };
    for (int bi = 0; bi < g.lignes; ++bi) {
        for (int bj = 0; bj < g.colonnes; ++bj) {
            const double z = g.valeurs[static_cast<std::size_t>(bi) * g.colonnes + bj];
            if (!std::isfinite(z))
                continue; // an empty block stays blank
            const double xa = bord(x0, bj, colonnes), xb = bord(x0, bj + 1, colonnes);
            const double ya = bord(y0, bi, lignes), yb = bord(y0, bi + 1, lignes);
            const PLFLT cx[] = {xa, xb, xb, xa};
            const PLFLT cy[] = {ya, ya, yb, yb};
            pls.col1(std::clamp((z - zmin) / (zmax - zmin), 0.0, 1.0));
            pls.fill(4, cx, cy);
        }
    }
    pls.col0(encre);
    pls.box("bcnst", 0.0, 0, "bcnstv", 0.0, 0);
    pls.lab(plplot_text(axe_x + " (" + unite + ")").c_str(), plplot_text(axe_y + " (" + unite + ")").c_str(),
            plplot_text(titre).c_str());

    const double step = nice_step(zmin, zmax, 6);
    std::vector<PLFLT> values;
    for (int k = 0; k <= 256; ++k)
        values.push_back(zmin + (zmax - zmin) * k / 256.0);
    const PLFLT* value_sets[] = {values.data()};
    PLINT value_counts[] = {static_cast<PLINT>(values.size())};
    PLINT label_options[] = {PL_COLORBAR_LABEL_RIGHT};
    const std::string label = plplot_text("hauteur nivelée (" + unite + ")");
    const char* labels[] = {label.c_str()};
    const char* axis_options[] = {"bcvtm"};
    PLFLT ticks[] = {step};
    PLINT sub_ticks[] = {0};
    PLFLT width = 0.0;
    PLFLT height = 0.0;
    pls.colorbar(&width, &height, PL_COLORBAR_GRADIENT, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE | PL_POSITION_VIEWPORT,
                 0.03, 0.0, 0.035, 0.8, fond, encre, 1, 0.0, 0.0, encre, 1.0, 1, label_options, labels, 1, axis_options,
                 ticks, sub_ticks, value_counts, value_sets);
    return canvas.finish(id, titre);
}

namespace {

struct Points {
    std::vector<PLFLT> x, y;
};

// The measured points with positive radii and finite heights, r as it is,
// and their extent.
struct MeasuredPoints {
    std::vector<Points> points; // one per series
    double rmin = std::numeric_limits<double>::infinity();
    double rmax = -std::numeric_limits<double>::infinity();
    double hmax = 0.0;
    std::size_t total = 0;
};

MeasuredPoints measured_points(const std::vector<SerieMesuree>& series)
{
    MeasuredPoints m;
    m.points.resize(series.size());
    for (std::size_t s = 0; s < series.size(); ++s) {
        const auto& serie = series[s];
        const std::size_t n = std::min(serie.r.size(), serie.H.size());
        for (std::size_t k = 0; k < n; ++k) {
            if (!(serie.r[k] > 0.0) || !std::isfinite(serie.r[k]) || !std::isfinite(serie.H[k]))
                continue;
            m.points[s].x.push_back(serie.r[k]);
            m.points[s].y.push_back(serie.H[k]);
            m.rmin = std::min(m.rmin, serie.r[k]);
            m.rmax = std::max(m.rmax, serie.r[k]);
            m.hmax = std::max(m.hmax, serie.H[k]);
        }
        m.total += m.points[s].x.size();
    }
    return m;
}

// The r axis: log10 of r when the radii span a factor 20 or more, else r.
struct RadiusAxis {
    bool log = false;
    double to_axis(double r) const { return log ? std::log10(r) : r; }
    double from_axis(double x) const { return log ? std::pow(10.0, x) : x; }
};

// Puts the points on the axis, and thins a long series where its points crowd
// on the log axis: one point per 1/500 of the axis at most.
void put_on_axis(std::vector<Points>& points, const RadiusAxis& axis, double rmin, double rmax)
{
    for (auto& p : points)
        for (auto& x : p.x)
            x = axis.to_axis(x);
    const double gap = std::max(1e-12, (axis.to_axis(rmax) - axis.to_axis(rmin)) / 500.0);
    for (auto& p : points) {
        Points kept;
        for (std::size_t k = 0; k < p.x.size(); ++k) {
            if (!kept.x.empty() && std::abs(p.x[k] - kept.x.back()) < gap)
                continue;
            kept.x.push_back(p.x[k]);
            kept.y.push_back(p.y[k]);
        }
        p = std::move(kept);
    }
}

// The model curves that can be drawn, over the whole axis [lx0, lx1]; hmax
// grows to their highest point.
struct ModelCurves {
    std::vector<Points> curves;
    std::vector<const CourbeModele*> drawn; // the model of each curve
};

ModelCurves model_curves(const std::vector<CourbeModele>& courbes, const RadiusAxis& axis, double lx0, double lx1,
                         double& hmax)
{
    constexpr int curve_points = 240;
    ModelCurves m;
    for (const auto& c : courbes) {
        if (!(c.sigma >= 0.0) || !(c.L > 0.0) || !std::isfinite(c.sigma) || !std::isfinite(c.L))
            continue;
        Points p;
        for (int k = 0; k < curve_points; ++k) {
            const double lx = lx0 + (lx1 - lx0) * k / (curve_points - 1);
            const double h = modele_H(c.modele, c.sigma, c.L, axis.from_axis(lx));
            if (!std::isfinite(h))
                continue;
            p.x.push_back(lx);
            p.y.push_back(h);
            hmax = std::max(hmax, h);
        }
        if (p.x.empty())
            continue;
        m.curves.push_back(std::move(p));
        m.drawn.push_back(&c);
    }
    return m;
}

// The legend's entries, gathered as the picture is drawn, then drawn under
// the plot so that it hides no point.
class Legend {
public:
    void add(PLINT option, const std::string& text, Couleur colour, PLINT style)
    {
        options_.push_back(option);
        texts_.push_back(plplot_text(text));
        text_colours_.push_back(encre);
        box_colours_.push_back(colour);
        box_patterns_.push_back(0);
        box_scales_.push_back(0.8);
        box_widths_.push_back(1.0);
        line_colours_.push_back(colour);
        line_styles_.push_back(style);
        line_widths_.push_back(2.0);
        symbol_colours_.push_back(colour);
        symbol_scales_.push_back(1.0);
        symbol_numbers_.push_back(1);
        symbols_.push_back("•");
    }

    // Anchored at the picture's lower left, under the axis: however long its
    // texts, every symbol stays inside the picture.
    void draw(plstream& pls, int rows, int height_px)
    {
        std::vector<const char*> text_ptrs, symbol_ptrs;
        for (const auto& t : texts_)
            text_ptrs.push_back(t.c_str());
        for (const auto& s : symbols_)
            symbol_ptrs.push_back(s.c_str());
        PLFLT legend_width = 0.0;
        PLFLT legend_height = 0.0;
        pls.legend(&legend_width, &legend_height, 0,
                   PL_POSITION_SUBPAGE | PL_POSITION_INSIDE | PL_POSITION_LEFT | PL_POSITION_BOTTOM, 0.06,
                   10.0 / height_px, 0.05, fond, encre, 1, rows, 1, static_cast<PLINT>(options_.size()),
                   options_.data(), 0.8, 0.85, 1.6, 0.0, text_colours_.data(), text_ptrs.data(), box_colours_.data(),
                   box_patterns_.data(), box_scales_.data(), box_widths_.data(), line_colours_.data(),
                   line_styles_.data(), line_widths_.data(), symbol_colours_.data(), symbol_scales_.data(),
                   symbol_numbers_.data(), symbol_ptrs.data());
    }

private:
    std::vector<std::string> texts_, symbols_;
    std::vector<PLINT> options_, text_colours_, box_colours_, box_patterns_, line_colours_, line_styles_,
        symbol_colours_, symbol_numbers_;
    std::vector<PLFLT> box_scales_, box_widths_, line_widths_, symbol_scales_;
};

} // namespace

std::string fonction_svg(const std::vector<SerieMesuree>& series, const std::vector<CourbeModele>& courbes,
                         std::optional<Plage> plage, const std::string& titre, const std::string& unite_r,
                         const std::string& unite_H, const std::string& id)
{
    if (!svg_disponible())
        return {};
    MeasuredPoints measured = measured_points(series);
    if (measured.total == 0)
        return {};
    const double rmin = measured.rmin, rmax = measured.rmax;
    const RadiusAxis axis{rmax / rmin >= 20.0};
    put_on_axis(measured.points, axis, rmin, rmax);
    const std::vector<Points>& points = measured.points;
    const double lx0 = axis.log ? std::log10(rmin) - 0.05 * std::log10(rmax / rmin) : 0.0;
    const double lx1 = axis.log ? std::log10(rmax) + 0.05 * std::log10(rmax / rmin) : 1.04 * rmax;
    double hmax = measured.hmax;
    const ModelCurves models = model_curves(courbes, axis, lx0, lx1, hmax);
    double hmin = 0.0;
    for (const auto& p : points)
        for (double y : p.y)
            hmin = std::min(hmin, y);
    if (!(hmax > hmin))
        hmax = hmin + 1.0;
    const double ytop = hmax + 0.06 * (hmax - hmin);
    if (!std::isfinite(ytop - hmin))
        return {};

    // The legend goes under the plot: one row per entry.
    const bool band = plage && plage->r_max > 0.0 && plage->r_max >= plage->r_min;
    std::size_t entries = (band ? 1 : 0) + models.curves.size();
    for (const auto& p : points)
        entries += p.x.empty() ? 0 : 1;
    const int legend_rows = static_cast<int>(entries);
    const int plot_px = 380;
    const int top_px = 40;
    const int below_px = 66 + 20 * legend_rows;
    const int height_px = top_px + plot_px + below_px;
    SvgCanvas canvas(760, height_px);
    plstream& pls = canvas.pls();
    pls.adv(0);
    pls.vpor(0.11, 0.96, static_cast<double>(below_px) / height_px, 1.0 - static_cast<double>(top_px) / height_px);
    pls.wind(lx0, lx1, hmin, ytop);

    Legend legend;
    if (band) {
        const double a = axis.to_axis(std::max(plage->r_min, axis.from_axis(lx0)));
        const double b = axis.to_axis(plage->r_max);
        const PLFLT bx[] = {a, b, b, a};
        const PLFLT by[] = {hmin, hmin, ytop, ytop};
        pls.col0(gris_clair);
        pls.fill(4, bx, by);
        legend.add(PL_LEGEND_COLOR_BOX, "plage d'ajustement", gris_clair, 1);
    }
    pls.col0(encre);
    pls.slabelfunc(plain_log_label, nullptr);
    pls.box(axis.log ? "bcnstlo" : "bcnst", 0.0, 0, "bcnstv", 0.0, 0);
    pls.slabelfunc(nullptr, nullptr);
    pls.lab(plplot_text("r (" + unite_r + ")" + (axis.log ? ", échelle logarithmique" : "")).c_str(),
            plplot_text("H(r) (" + unite_H + ")").c_str(), plplot_text(titre).c_str());

    for (std::size_t s = 0; s < series.size(); ++s) {
        if (points[s].x.empty())
            continue;
        pls.col0(series[s].couleur);
        pls.ssym(0.0, 1.6);
        pls.poin(static_cast<PLINT>(points[s].x.size()), points[s].x.data(), points[s].y.data(), 17);
        pls.ssym(0.0, 1.0);
        legend.add(PL_LEGEND_SYMBOL, series[s].libelle, series[s].couleur, 1);
    }
    for (std::size_t c = 0; c < models.curves.size(); ++c) {
        const CourbeModele& model = *models.drawn[c];
        pls.col0(model.couleur);
        pls.lsty(model.style);
        pls.width(2.0);
        pls.line(static_cast<PLINT>(models.curves[c].x.size()), models.curves[c].x.data(), models.curves[c].y.data());
        legend.add(PL_LEGEND_LINE, model.libelle, model.couleur, model.style);
    }
    pls.lsty(1);
    pls.width(1.0);
    legend.draw(pls, legend_rows, height_px);
    return canvas.finish(id, titre);
}

} // namespace rapport

namespace rapport {

namespace {

// The finite range of some values, widened when they are all equal; false
// when none is finite.
bool finite_range(const std::vector<double>& v, double& lo, double& hi)
{
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (double x : v) {
        if (std::isfinite(x)) {
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    }
    if (!(lo <= hi))
        return false;
    if (hi - lo <= 1e-12 * std::max(1.0, std::abs(hi))) {
        const double half = std::max(0.5 * std::abs(hi), 1e-6);
        lo -= half;
        hi += half;
    }
    return true;
}

} // namespace

std::string autocorrelation_svg(int lignes, int colonnes, double pas_decalage, const std::vector<double>& valeurs,
                                double seuil, const std::string& unite, const std::string& titre,
                                const std::string& id)
{
    if (!svg_disponible() || lignes < 1 || colonnes < 1 || !(pas_decalage > 0.0) || !std::isfinite(pas_decalage) ||
        valeurs.size() != static_cast<std::size_t>(lignes) * static_cast<std::size_t>(colonnes))
        return {};
    const int ny = lignes / 2, nx = colonnes / 2;
    const double x0 = -(nx + 0.5) * pas_decalage, x1 = (nx + 0.5) * pas_decalage;
    const double y0 = -(ny + 0.5) * pas_decalage, y1 = (ny + 0.5) * pas_decalage;
    SvgCanvas canvas(700, 620);
    plstream& pls = canvas.pls();
    height_colour_map(pls);
    pls.adv(0);
    pls.vpas(0.12, 0.80, 0.11, 0.92, (y1 - y0) / (x1 - x0));
    pls.wind(x0, x1, y0, y1);
    for (int a = 0; a < lignes; ++a) {
        for (int b = 0; b < colonnes; ++b) {
            const double r = valeurs[static_cast<std::size_t>(a) * colonnes + b];
            if (!std::isfinite(r))
                continue;
            const double xa = (b - nx - 0.5) * pas_decalage, ya = (a - ny - 0.5) * pas_decalage;
            const PLFLT cx[] = {xa, xa + pas_decalage, xa + pas_decalage, xa};
            const PLFLT cy[] = {ya, ya, ya + pas_decalage, ya + pas_decalage};
            pls.col1(std::clamp(0.5 * (r + 1.0), 0.0, 1.0));
            pls.fill(4, cx, cy);
        }
    }
    // The contour R = seuil through the lags' centres; a lag without pair
    // stands below the threshold, so that the contour closes around it.
    std::vector<PLFLT> z(valeurs.size());
    for (std::size_t k = 0; k < z.size(); ++k)
        z[k] = std::isfinite(valeurs[k]) ? valeurs[k] : -1.0;
    std::vector<PLFLT*> rows(static_cast<std::size_t>(colonnes));
    std::vector<std::vector<PLFLT>> transposed(static_cast<std::size_t>(colonnes), std::vector<PLFLT>(lignes));
    for (int b = 0; b < colonnes; ++b) {
        for (int a = 0; a < lignes; ++a)
            transposed[b][a] = z[static_cast<std::size_t>(a) * colonnes + b];
        rows[b] = transposed[b].data();
    }
    std::vector<PLFLT> xg(colonnes), yg(lignes);
    for (int b = 0; b < colonnes; ++b)
        xg[b] = (b - nx) * pas_decalage;
    for (int a = 0; a < lignes; ++a)
        yg[a] = (a - ny) * pas_decalage;
    PLcGrid grille{xg.data(), yg.data(), nullptr, colonnes, lignes, 0};
    const PLFLT niveau[] = {seuil};
    pls.col0(rouge);
    pls.width(2.0);
    pls.cont(rows.data(), colonnes, lignes, 1, colonnes, 1, lignes, niveau, 1, pltr1,
             static_cast<PLPointer>(&grille));
    pls.width(1.0);
    pls.col0(encre);
    pls.box("bcnst", 0.0, 0, "bcnstv", 0.0, 0);
    pls.lab(plplot_text("décalage en x (" + unite + ")").c_str(), plplot_text("décalage en y (" + unite + ")").c_str(),
            plplot_text(titre).c_str());
    std::vector<PLFLT> values;
    for (int k = 0; k <= 256; ++k)
        values.push_back(-1.0 + 2.0 * k / 256.0);
    const PLFLT* value_sets[] = {values.data()};
    PLINT value_counts[] = {static_cast<PLINT>(values.size())};
    PLINT label_options[] = {PL_COLORBAR_LABEL_RIGHT};
    const std::string label = plplot_text("R (contour rouge : R = " + std::to_string(seuil).substr(0, 3) + ")");
    const char* labels[] = {label.c_str()};
    const char* axis_options[] = {"bcvtm"};
    PLFLT ticks[] = {0.5};
    PLINT sub_ticks[] = {0};
    PLFLT width = 0.0, height = 0.0;
    pls.colorbar(&width, &height, PL_COLORBAR_GRADIENT, PL_POSITION_RIGHT | PL_POSITION_OUTSIDE | PL_POSITION_VIEWPORT,
                 0.03, 0.0, 0.035, 0.8, fond, encre, 1, 0.0, 0.0, encre, 1.0, 1, label_options, labels, 1, axis_options,
                 ticks, sub_ticks, value_counts, value_sets);
    return canvas.finish(id, titre);
}

std::string spectre_svg(const std::vector<double>& frequences, const std::vector<double>& densite,
                        const std::string& unite_f, const std::string& unite_densite, const std::string& titre,
                        const std::string& id)
{
    if (!svg_disponible())
        return {};
    std::vector<PLFLT> x, y;
    for (std::size_t k = 0; k < std::min(frequences.size(), densite.size()); ++k) {
        if (frequences[k] > 0.0 && densite[k] > 0.0 && std::isfinite(frequences[k]) && std::isfinite(densite[k])) {
            x.push_back(std::log10(frequences[k]));
            y.push_back(std::log10(densite[k]));
        }
    }
    double xlo = 0, xhi = 0, ylo = 0, yhi = 0;
    if (x.size() < 2 || !finite_range(x, xlo, xhi) || !finite_range(y, ylo, yhi))
        return {};
    SvgCanvas canvas(700, 480);
    plstream& pls = canvas.pls();
    pls.adv(0);
    pls.vpor(0.12, 0.95, 0.12, 0.90);
    pls.wind(xlo - 0.03 * (xhi - xlo), xhi + 0.03 * (xhi - xlo), ylo - 0.05 * (yhi - ylo), yhi + 0.05 * (yhi - ylo));
    pls.col0(encre);
    pls.box("bcnstl", 0.0, 0, "bcnstvl", 0.0, 0);
    pls.col0(bleu);
    pls.line(static_cast<PLINT>(x.size()), x.data(), y.data());
    pls.poin(static_cast<PLINT>(x.size()), x.data(), y.data(), 17);
    pls.col0(encre);
    pls.lab(plplot_text("fréquence (" + unite_f + ")").c_str(),
            plplot_text("densité spectrale (" + unite_densite + ")").c_str(), plplot_text(titre).c_str());
    return canvas.finish(id, titre);
}

std::string portance_svg(const std::vector<double>& hauteurs, const std::string& unite, const std::string& titre,
                         const std::string& id)
{
    if (!svg_disponible() || hauteurs.size() < 2)
        return {};
    std::vector<PLFLT> x, y;
    for (std::size_t k = 0; k < hauteurs.size(); ++k) {
        if (std::isfinite(hauteurs[k])) {
            x.push_back(100.0 * static_cast<double>(k) / static_cast<double>(hauteurs.size() - 1));
            y.push_back(hauteurs[k]);
        }
    }
    double lo = 0, hi = 0;
    if (x.size() < 2 || !finite_range(y, lo, hi))
        return {};
    SvgCanvas canvas(700, 480);
    plstream& pls = canvas.pls();
    pls.adv(0);
    pls.vpor(0.12, 0.95, 0.12, 0.90);
    pls.wind(0.0, 100.0, lo - 0.05 * (hi - lo), hi + 0.05 * (hi - lo));
    pls.col0(encre);
    pls.box("bcnst", 20.0, 0, "bcnstv", 0.0, 0);
    pls.col0(bleu);
    pls.width(2.0);
    pls.line(static_cast<PLINT>(x.size()), x.data(), y.data());
    pls.width(1.0);
    pls.col0(encre);
    pls.lab(plplot_text("taux de portance (%)").c_str(), plplot_text("hauteur nivelée (" + unite + ")").c_str(),
            plplot_text(titre).c_str());
    return canvas.finish(id, titre);
}

} // namespace rapport
