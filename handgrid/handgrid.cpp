#include "handgrid.hpp"

#include "command_line.hpp"
#include "memoire.hpp"
#include "pipeline_files.hpp"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>

namespace handgrid {

using pipeline::Reader;
using pipeline::Writer;

namespace {

// Lines of at least this many bytes are checked against the free memory
// before they are made; smaller ones only grow with what is typed.
constexpr std::uint64_t grande_ligne = std::uint64_t{1} << 20;

std::uint64_t octetsLigne(int nbr_point_par_lignes)
{
    return static_cast<std::uint64_t>(nbr_point_par_lignes) * sizeof(double);
}

// Asks the question until the answer word is accepted; false at the end of the input.
bool demander(Terminal& t, const char* question, const std::function<bool(const std::string&)>& accepte)
{
    std::string mot;
    do {
        t.ecran.print("%s\n", question);
        if (!t.lireMot(mot))
            return false;
    } while (!accepte(mot));
    return true;
}

bool ecrireFichier(const std::string& nom, const Acquisition& a)
{
    if (nom.find('\0') != std::string::npos) // the system would take a shorter name
        return false;
    auto fichier = Writer::open(nom, "w");
    if (!fichier)
        return false;
    ecrireGrille(a, *fichier);
    return fichier->close();
}

// End of the input at the name question: the grid goes to a file of a name
// not yet taken, or to the screen when no file can be made.
int sauverEnSecours(Terminal& t, const Acquisition& a)
{
    for (int essai = 0; essai < 1000; ++essai) {
        const std::string nom =
            essai == 0 ? "grille_secours.txt" : "grille_secours_" + std::to_string(essai) + ".txt";
        auto fichier = Writer::open(nom, "wx"); // never replaces an existing file
        if (!fichier)
            continue;
        ecrireGrille(a, *fichier);
        if (fichier->close()) {
            t.ecran.print("\nFin des donnees d'entree : la grille est enregistree dans le fichier %s\n", nom);
            return 1;
        }
    }
    t.ecran.print("\nFin des donnees d'entree et aucun fichier ne peut etre cree : voici la grille.\n");
    ecrireGrille(a, t.ecran);
    return 1;
}

} // namespace

Matrice matrice(int l, int c)
{
    return Matrice(static_cast<std::size_t>(l), std::vector<double>(static_cast<std::size_t>(c), 0.0));
}

void agrandir_matrice(Matrice& mat, int c)
{
    mat.emplace_back(static_cast<std::size_t>(c), 0.0);
}

void imprimer_matrice(int l, int c, const Matrice& matrice, Writer& fichier)
{
    for (int i = 0; i < l; ++i)
        for (int j = 0; j < c; ++j)
            fichier.print("%lf\n", -matrice[i][j]);
}

bool entierComplet(const std::string& mot, int& valeur)
{
    Reader lecture = Reader::over_text(mot);
    int lu = 0;
    if (lecture.scan("%i", lu) != 1 || !lecture.at_end())
        return false;
    // "%i" wraps values beyond an int; the same text through strtoll tells.
    errno = 0;
    const long long exact = std::strtoll(mot.c_str(), nullptr, 0);
    if (errno == ERANGE || exact < INT_MIN || exact > INT_MAX)
        return false;
    valeur = lu;
    return true;
}

bool reelComplet(const std::string& mot, float& valeur)
{
    Reader lecture = Reader::over_text(mot);
    float lu = 0.0f;
    if (lecture.scan("%f", lu) != 1 || !lecture.at_end() || !std::isfinite(lu))
        return false;
    valeur = lu;
    return true;
}

std::optional<double> convertirMesure(const std::string& mot)
{
    const std::string texte = pipeline::decimal_comma(mot);
    Reader lecture = Reader::over_text(texte);
    double mesure = 0.0;
    if (lecture.scan("%lf", mesure) != 1 || !lecture.at_end() || !std::isfinite(mesure))
        return std::nullopt;
    return mesure;
}

const std::string banniere = std::string(49, '!') + "\n" +
                             "!!! Nouvelle ligne pensez a deplacer la barre !!!\n" +
                             "!!!       ou ecrivez \"fin\" pour terminer      !!!\n" + std::string(49, '!') +
                             "\n\n";

Acquisition commencer(int nbr_point_par_lignes, float pas, float pos_chariot_ini, float pos_barre_ini)
{
    Acquisition a;
    a.nbr_point_par_lignes = nbr_point_par_lignes;
    a.pas = pas;
    a.pos_chariot_ini = pos_chariot_ini;
    a.pos_barre_ini = pos_barre_ini;
    a.pos_chariot = pos_chariot_ini;
    a.pos_barre = pos_barre_ini;
    a.mat = matrice(1, nbr_point_par_lignes);
    return a;
}

bool ligneAllouable(int nbr_point_par_lignes)
{
    const std::uint64_t octets = octetsLigne(nbr_point_par_lignes);
    return octets < grande_ligne || octets <= pipeline::memoire_disponible();
}

bool enregistrerMesure(Acquisition& a, double mesure)
{
    const int c = a.nbr_point_par_lignes;
    int indice = a.indice_pos_chariot + 1;
    if (indice == c) {
        // The first reading of a new line: the matrix grows by one line. The
        // file announces its heights with an int, which bounds the matrix.
        if (static_cast<std::int64_t>(a.nbr_lignes + std::int64_t{1}) * c > INT_MAX || !ligneAllouable(c))
            return false;
        try {
            agrandir_matrice(a.mat, c);
        } catch (const std::bad_alloc&) {
            return false;
        }
        ++a.nbr_lignes;
        indice = 0;
        ++a.indice_pos_barre;
    }
    a.indice_pos_chariot = indice;
    a.mesure = mesure;
    a.mat[a.indice_pos_barre][indice] = mesure;
    a.pos_chariot += a.pas;
    a.info_nouvelle_ligne.clear();
    if (indice + 1 == c) {
        a.pos_chariot = a.pos_chariot_ini;
        a.pos_barre += a.pas;
        a.info_nouvelle_ligne = banniere;
    }
    return true;
}

void afficherEcran(const Acquisition& a, Writer& ecran)
{
    ecran.print("%s", a.info_nouvelle_ligne);
    ecran.print("La barre doit etre a %.1fcm et le chariot a %.1fcm\n", a.pos_barre, a.pos_chariot);
    ecran.print("derniere mesure : %lf\n", a.mesure);
    ecran.print("Mesure suivante?\n");
}

int positionsNonMesurees(const Acquisition& a)
{
    return a.nbr_point_par_lignes - 1 - a.indice_pos_chariot;
}

void ecrireGrille(const Acquisition& a, Writer& grille)
{
    const int c = a.nbr_point_par_lignes;
    grille.print("%ix%ix%.1f\n", c - 1, a.nbr_lignes - 1, a.pas);
    imprimer_matrice(a.nbr_lignes - 1, c, a.mat, grille);
    const std::vector<double>& derniere = a.mat[a.nbr_lignes - 1];
    const int mesurees = c - positionsNonMesurees(a);
    for (int j = 0; j < c; ++j)
        grille.print("%lf\n", j < mesurees ? -derniere[j] : pipeline::marqueur_vide);
}

void Terminal::effacer()
{
    // Cursor home, clear the screen and its scroll-back: no terminal database needed.
    if (est_terminal)
        ecran.text("\033[H\033[2J\033[3J");
}

bool Terminal::lireMot(std::string& mot)
{
    ecran.flush();
    return entree.scan("%s", mot) == 1;
}

std::optional<Acquisition> dialogueOuverture(Terminal& t)
{
    int points = 0;
    float pas = 0.0f, chariot = 0.0f, barre = 0.0f;
    const bool complet =
        demander(t, "Nombre de points par ligne?",
                 [&](const std::string& mot) { return entierComplet(mot, points) && points >= 1 && ligneAllouable(points); }) &&
        demander(t, "Pas de mesure en cm", [&](const std::string& mot) { return reelComplet(mot, pas); }) &&
        demander(t, "Position chariot en cm (ce lit sur la barre)",
                 [&](const std::string& mot) { return reelComplet(mot, chariot); }) &&
        demander(t, "Position barre en cm (ce lit sur le cadre)",
                 [&](const std::string& mot) { return reelComplet(mot, barre); });
    if (!complet)
        return std::nullopt;
    Acquisition a = commencer(points, pas, chariot, barre);
    std::string mot_ignore; // one more word, whatever it is, before the first screen
    if (!t.lireMot(mot_ignore))
        return std::nullopt;
    return a;
}

void boucleMesures(Terminal& t, Acquisition& a)
{
    std::string remarque; // why the previous word was not stored
    std::string mot;
    for (;;) {
        t.effacer();
        t.ecran.text(remarque);
        afficherEcran(a, t.ecran);
        if (!t.lireMot(mot) || mot == "fin")
            return;
        const auto mesure = convertirMesure(mot);
        if (!mesure)
            remarque = "Mesure refusee : tapez un nombre (12.5 ou 12,5) ou fin.\n";
        else if (!enregistrerMesure(a, *mesure))
            remarque = "Memoire insuffisante pour une ligne de plus : mesure non enregistree, tapez fin.\n";
        else
            remarque.clear();
    }
}

int dialogueFin(Terminal& t, const Acquisition& a)
{
    t.effacer();
    t.ecran.print("Un fichier contenant %i points va etre genere\n", a.nbr_point_par_lignes * a.nbr_lignes);
    if (const int vides = positionsNonMesurees(a); vides > 0)
        pipeline::diagnose(t.ecran, "handgrid",
                           std::to_string(vides) +
                               (vides == 1 ? " position de la derniere ligne n'a pas ete mesuree : elle est ecrite"
                                           : " positions de la derniere ligne n'ont pas ete mesurees : elles sont "
                                             "ecrites") +
                               " 10000.000000, la marque des cases vides, que reliefstat ne compte pas");
    std::string nom;
    for (;;) {
        t.ecran.print("Choisir un nom pour ce fichier:");
        if (!t.lireMot(nom))
            return sauverEnSecours(t, a);
        nom += ".txt";
        if (ecrireFichier(nom, a))
            return 0;
        t.ecran.print("Impossible d'ecrire le fichier %s, choisissez un autre nom.\n", nom);
    }
}

} // namespace handgrid
