#include "framefit/framefit.hpp"

#include <cmath>

namespace framefit {

namespace {

bool lirePoint(Reader& coin, Point& p)
{
    return coin.scan("%lf %lf %lf", p[0], p[1], p[2]) == 3;
}

// One pass of the search: the point of the next `nombre` points farthest from
// `depuis`, strictly farther than the start distance, into `extrem2`.
bool pointLePlusLoin(Reader& coin, int nombre, const Point& depuis, Point& extrem2)
{
    double dist_max = 0;
    Point courant{};
    for (int i = 0; i < nombre; ++i) {
        if (!lirePoint(coin, courant))
            return false;
        const double d = dist(courant, depuis);
        if (d > dist_max) {
            dist_max = d;
            extrem2 = courant;
        }
    }
    return true;
}

} // namespace

double dist(const Point& vect1, const Point& vect2)
{
    const double d0 = vect1[0] - vect2[0];
    const double d1 = vect1[1] - vect2[1];
    const double d2 = vect1[2] - vect2[2];
    return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}

std::optional<Point> centreCoin(Reader& coin, int n)
{
    Point extrem1{};
    if (!lirePoint(coin, extrem1))
        return std::nullopt;
    Point extrem2 = extrem1; // points that all coincide are centred on themselves
    if (!pointLePlusLoin(coin, n - 1, extrem1, extrem2))
        return std::nullopt;
    extrem1 = extrem2;
    coin.rewind();
    if (!pointLePlusLoin(coin, n, extrem1, extrem2))
        return std::nullopt;
    Point centre{};
    for (int k = 0; k < 3; ++k)
        centre[k] = (extrem1[k] + extrem2[k]) / 2;
    return centre;
}

Cadre mesurerCadre(const Point& pos_coin_O, const Point& pos_coin_X, const Point& pos_coin_Y)
{
    Cadre c;
    for (int k = 0; k < 3; ++k) {
        c.Y[k] = pos_coin_Y[k] - pos_coin_O[k];
        c.X[k] = pos_coin_X[k] - pos_coin_O[k];
    }
    c.taille_x = std::sqrt(c.X[0] * c.X[0] + c.X[1] * c.X[1] + c.X[2] * c.X[2]);
    c.taille_y = std::sqrt(c.Y[0] * c.Y[0] + c.Y[1] * c.Y[1] + c.Y[2] * c.Y[2]);
    const double prod_scal = c.X[0] * c.Y[0] + c.X[1] * c.Y[1] + c.X[2] * c.Y[2];
    c.cos_phi = prod_scal / (c.taille_y * c.taille_x);
    return c;
}

bool taillesProches(double taille_x, double taille_y)
{
    return std::fabs((taille_x - taille_y) / taille_x) <= 0.1;
}

bool angleDroit(double cos_phi)
{
    return std::fabs(cos_phi) <= 0.1;
}

namespace {

// The figures printed as the log prints them: "%lf".
std::string enTexte(double valeur)
{
    Writer texte = Writer::in_memory();
    texte.print("%lf", valeur);
    return texte.memory_text();
}

double enDegres(double radians)
{
    return radians * 180.0 / std::acos(-1.0);
}

} // namespace

std::string raisonComptes(int nbr_coin_O, int nbr_coin_X, int nbr_coin_Y)
{
    return "un coin a moins de 10 points : O " + std::to_string(nbr_coin_O) + ", X " + std::to_string(nbr_coin_X) +
           ", Y " + std::to_string(nbr_coin_Y) + " (10 au moins par coin ; verifiez les couleurs donnees a markerpick)";
}

std::string raisonTailles(double taille_x, double taille_y)
{
    const std::string tailles = "O-X " + enTexte(taille_x) + ", O-Y " + enTexte(taille_y);
    if (!(taille_x > 0.0))
        return "les centres des coins O et X sont confondus (" + tailles + ") : le cadre n'a pas de taille";
    return "les cotes du cadre sont de longueurs trop differentes : " + tailles + ", ecart relatif " +
           enTexte(100.0 * std::fabs((taille_x - taille_y) / taille_x)) + " % de O-X (10 % au plus)";
}

std::string raisonAngle(double cos_phi)
{
    const double limite = enDegres(std::acos(0.1));
    return "l'angle entre les cotes O-X et O-Y vaut " + enTexte(enDegres(std::acos(cos_phi))) +
           " degres, hors de l'intervalle admis " + enTexte(limite) + " a " + enTexte(180.0 - limite) +
           " degres (cos(phi)=" + enTexte(cos_phi) + ")";
}

void ecrireCentres(Writer& out, const Point& pos_coin_Y, const Point& pos_coin_X, const Point& pos_coin_O)
{
    out.print("coin_Y=[ %lf,%lf,%lf];\n", pos_coin_Y[0], pos_coin_Y[1], pos_coin_Y[2]);
    out.print("coin_X=[ %lf,%lf,%lf];\n", pos_coin_X[0], pos_coin_X[1], pos_coin_X[2]);
    out.print("coin_O=[ %lf,%lf,%lf];\n", pos_coin_O[0], pos_coin_O[1], pos_coin_O[2]);
}

void ecrireVisuPlots(Writer& visu)
{
    visu.text("run posX\n run posY\nrun posZ\nrun color_coins\n");
    visu.text("run base\n");
    visu.text("scatter3(X,Y,Z,5,C/255);\nhold on\n");
    visu.text("scatter3(coin_O(1),coin_O(2),coin_O(3),50);\n");
    visu.text("scatter3(coin_Y(1),coin_Y(2),coin_Y(3),50);\n");
    visu.text("scatter3(coin_X(1),coin_X(2),coin_X(3),50);\n");
    visu.text("hold off\n");
}

} // namespace framefit
