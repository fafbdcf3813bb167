#include "tools/synthese/options.hpp"

#include <charconv>
#include <climits>
#include <cmath>
#include <functional>
#include <map>

namespace synth {

namespace {

// A whole word that reads as one finite number.
bool read_double(const std::string& word, double& value)
{
    double v = 0.0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, v);
    if (word.empty() || error != std::errc() || stop != end || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool read_int(const std::string& word, int& value)
{
    int v = 0;
    const char* end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, v);
    if (word.empty() || error != std::errc() || stop != end)
        return false;
    value = v;
    return true;
}

struct Checked {
    std::string error;
    bool ok() const { return error.empty(); }
};

using Setter = std::function<Checked(const std::string&)>;

// A real number within its range, stored in a double or an optional double.
template <class Target>
Setter number(Target& target, double low, double high, bool low_open, const char* range)
{
    return [&target, low, high, low_open, range](const std::string& word) {
        double v = 0.0;
        if (!read_double(word, v) || v > high || v < low || (low_open && v == low))
            return Checked{std::string("attend un nombre ") + range};
        target = v;
        return Checked{};
    };
}

Setter whole(int& target, int low, int high, const char* range)
{
    return [&target, low, high, range](const std::string& word) {
        int v = 0;
        if (!read_int(word, v) || v < low || v > high)
            return Checked{std::string("attend un entier ") + range};
        target = v;
        return Checked{};
    };
}

Setter seed(std::uint64_t& target)
{
    return [&target](const std::string& word) {
        int v = 0;
        if (!read_int(word, v) || v < 0)
            return Checked{"attend un entier de 0 a 2147483647"};
        target = static_cast<std::uint64_t>(v);
        return Checked{};
    };
}

Setter shift(std::optional<Vec3>& target)
{
    return [&target](const std::string& word) {
        Vec3 v{};
        const auto first = word.find(',');
        const auto second = first == std::string::npos ? first : word.find(',', first + 1);
        if (second == std::string::npos || !read_double(word.substr(0, first), v[0]) ||
            !read_double(word.substr(first + 1, second - first - 1), v[1]) ||
            !read_double(word.substr(second + 1), v[2]))
            return Checked{"attend trois nombres x,y,z"};
        target = v;
        return Checked{};
    };
}

Setter missing(std::string& target)
{
    return [&target](const std::string& word) {
        if (word != "O" && word != "X" && word != "Y")
            return Checked{"attend O, X ou Y"};
        target = word;
        return Checked{};
    };
}

Setter header(GridSettings& grid)
{
    return [&grid](const std::string& word) {
        int a = 0, b = 0;
        double step = 0.0;
        const auto first = word.find('x');
        const auto second = first == std::string::npos ? first : word.find('x', first + 1);
        if (second == std::string::npos || !read_int(word.substr(0, first), a) ||
            !read_int(word.substr(first + 1, second - first - 1), b) || !read_double(word.substr(second + 1), step) ||
            a < 1 || b < 1 || a > 100000 || b > 100000 || !(step > 0.0))
            return Checked{"attend AxBxPAS, par exemple 200x200x0.5 (A et B au moins 1, PAS positif)"};
        grid.steps_first = a;
        grid.steps_second = b;
        grid.step = step;
        return Checked{};
    };
}

std::map<std::string, Setter> common_options(std::uint64_t& graine, double& rms, double& length, int& modes)
{
    return {
        {"graine", seed(graine)},
        {"rms", number(rms, 0.0, 1e6, false, "positif ou nul")},
        {"longueur", number(length, 0.0, 1e6, true, "strictement positif")},
        {"modes", whole(modes, 1, 100000, "de 1 a 100000")},
    };
}

} // namespace

std::string usage()
{
    return "usage : rugosite-synthese nuage [options]   ecrit option-0000.ply et parametres_vrais.txt\n"
           "        rugosite-synthese grille [options]  ecrit grille.txt et parametres_vrais.txt\n"
           "options communes :\n"
           "  --remplacer       remplace les fichiers deja presents (sinon : refus, rien n'est ecrit)\n"
           "  --graine N        graine du tirage (1) : meme graine, memes fichiers\n"
           "  --rms S           ecart quadratique moyen des hauteurs (1)\n"
           "  --longueur L      longueur de correlation exponentielle (10)\n"
           "  --modes K         nombre de modes spectraux du champ (1024)\n"
           "nuage (longueurs en pourcentage du cote du cadre) :\n"
           "  --points N        nombre total de points, coins compris (1000000)\n"
           "  --points-coin N   points de chaque marqueur de coin (500)\n"
           "  --rayon-coin R    rayon des marqueurs (1.5)\n"
           "  --sans-coin O|X|Y omet un marqueur\n"
           "  --angle-cadre A   angle en degres entre les cotes O-X et O-Y (90)\n"
           "  --cote-y P        longueur du cote O-Y en pourcentage de O-X (100)\n"
           "  --azimut A --inclinaison I --direction-inclinaison D   en degres\n"
           "  --cote-x C        longueur du cote O-X dans les unites du nuage\n"
           "  --decalage X,Y,Z  position du coin O dans le nuage\n"
           "                    (chaque valeur omise est tiree de la graine)\n"
           "grille (longueurs dans l'unite du pas) :\n"
           "  --entete AxBxP    pas le long des deux index et pas de grille (200x200x0.5)\n"
           "Ne lit aucun fichier ; ecrit dans le dossier courant, sans remplacer un fichier\n"
           "deja present sauf avec --remplacer.\n"
           "Statut de sortie : 0 fait (et pour l'aide : --help, -h ou --aide) ;\n"
           "  1 argument refuse, fichier deja present ou fichier impossible a ecrire.\n";
}

Parsed parse_arguments(std::span<const std::string> words)
{
    Parsed parsed;
    if (words.empty() || words[0] == "aide" || words[0] == "--aide" || words[0] == "-h" || words[0] == "--help") {
        parsed.ok = !words.empty();
        if (!parsed.ok)
            parsed.error = "il manque le mode : nuage ou grille";
        return parsed;
    }
    Request& request = parsed.request;
    std::map<std::string, Setter> options;
    if (words[0] == "nuage") {
        request.kind = Request::Kind::cloud;
        CloudSettings& c = request.cloud;
        options = common_options(c.seed, c.rms, c.length, c.modes);
        options.merge(std::map<std::string, Setter>{
            {"points", whole(c.points, 1, INT_MAX, "de 1 a 2147483647")},
            {"points-coin", whole(c.marker_points, 0, 100000000, "de 0 a 100000000")},
            {"rayon-coin", number(c.marker_radius, 0.0, 20.0, true, "de 0 (exclu) a 20")},
            {"sans-coin", missing(c.missing)},
            {"angle-cadre", number(c.frame_angle, 0.0, 180.0, true, "de 0 (exclu) a 180")},
            {"cote-y", number(c.side_y, 0.0, 1000.0, true, "de 0 (exclu) a 1000")},
            {"azimut", number(c.azimuth, -1e6, 1e6, false, "en degres")},
            {"inclinaison", number(c.tilt, -1e6, 1e6, false, "en degres")},
            {"direction-inclinaison", number(c.tilt_direction, -1e6, 1e6, false, "en degres")},
            {"cote-x", number(c.side, 0.0, 1e9, true, "strictement positif")},
            {"decalage", shift(c.shift)},
        });
    } else if (words[0] == "grille") {
        request.kind = Request::Kind::grid;
        GridSettings& g = request.grid;
        options = common_options(g.seed, g.rms, g.length, g.modes);
        options.emplace("entete", header(g));
    } else {
        parsed.error = "mode inconnu : " + words[0] + " (nuage ou grille)";
        return parsed;
    }

    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!word.starts_with("--")) {
            parsed.error = "argument inattendu : " + word;
            return parsed;
        }
        if (word == "--remplacer") {
            request.replace = true;
            continue;
        }
        std::string name = word.substr(2), value;
        const auto equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < words.size()) {
            value = words[++i];
        } else {
            parsed.error = "l'option --" + name + " attend une valeur";
            return parsed;
        }
        const auto option = options.find(name);
        if (option == options.end()) {
            parsed.error = "option inconnue : --" + name;
            return parsed;
        }
        const Checked checked = option->second(value);
        if (!checked.ok()) {
            parsed.error = "--" + name + " " + checked.error + " (lu : " + value + ")";
            return parsed;
        }
    }

    if (request.kind == Request::Kind::cloud) {
        const CloudSettings& c = request.cloud;
        const long long markers = (c.missing.empty() ? 3LL : 2LL) * c.marker_points;
        if (markers > c.points) {
            parsed.error = "--points doit compter au moins les points des marqueurs";
            return parsed;
        }
    }
    parsed.ok = true;
    return parsed;
}

} // namespace synth
