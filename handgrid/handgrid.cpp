#include "handgrid/handgrid.hpp"

#include "common/command_line.hpp"
#include "common/grid.hpp"
#include "common/memoire.hpp"
#include "common/pipeline_files.hpp"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

volatile std::sig_atomic_t signal_recu = 0;

void noterSignal(int numero)
{
    signal_recu = numero;
}

const char* nomSignal(int numero)
{
    switch (numero) {
    case SIGINT: return "Ctrl-C (SIGINT)";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "un signal";
}

// Writes the grid under a temporary name in the file's folder, then renames it
// over the file: a failed write leaves an earlier file as it was, and nothing
// beside it. False with the system's error number when the file is not written.
bool ecrireFichier(const std::string& nom, const Acquisition& a, int& erreur)
{
    if (nom.find('\0') != std::string::npos) { // the system would take a shorter name
        erreur = EINVAL;
        return false;
    }
    const std::filesystem::path dossier = std::filesystem::path(nom).parent_path();
    for (int essai = 0;; ++essai) {
        const std::string temporaire =
            (dossier / (".handgrid-" + std::to_string(getpid()) + "-" + std::to_string(essai) + ".tmp")).string();
        auto fichier = Writer::open(temporaire, "wx", &erreur);
        if (!fichier) {
            if (erreur == EEXIST && essai < 100)
                continue;
            return false;
        }
        ecrireGrille(a, *fichier);
        bool ecrit = fichier->close();
        if (!ecrit)
            erreur = fichier->error();
        else if (std::rename(temporaire.c_str(), nom.c_str()) != 0) {
            erreur = errno;
            ecrit = false;
        }
        if (!ecrit)
            std::remove(temporaire.c_str());
        return ecrit;
    }
}

// The answer to the question whether to replace a file: o or oui, in any case.
bool oui(std::string mot)
{
    for (char& c : mot)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return mot == "o" || mot == "oui";
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
            pipeline::ecrireHauteur(fichier, -matrice[i][j]);
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

std::string textePas(float pas)
{
    // The C library's "%.*f", which gives "%.1f" the same bytes as Writer.
    std::string texte;
    for (int decimales = 1; decimales <= 160; ++decimales) {
        const int longueur = std::snprintf(nullptr, 0, "%.*f", decimales, static_cast<double>(pas));
        texte.assign(static_cast<std::size_t>(longueur) + 1, '\0');
        std::snprintf(texte.data(), texte.size(), "%.*f", decimales, static_cast<double>(pas));
        texte.pop_back();
        if (std::strtof(texte.c_str(), nullptr) == pas) // a float's decimals end before 150
            break;
    }
    return texte;
}

void ecrireGrille(const Acquisition& a, Writer& grille)
{
    const int c = a.nbr_point_par_lignes;
    pipeline::ecrireEnTete(grille, c - 1, a.nbr_lignes - 1, textePas(a.pas));
    imprimer_matrice(a.nbr_lignes - 1, c, a.mat, grille);
    const std::vector<double>& derniere = a.mat[a.nbr_lignes - 1];
    const int mesurees = c - positionsNonMesurees(a);
    for (int j = 0; j < c; ++j)
        pipeline::ecrireHauteur(grille, j < mesurees ? -derniere[j] : pipeline::marqueur_vide);
}

void Terminal::effacer()
{
    // Cursor home, clear the screen and its scroll-back: no terminal database needed.
    if (est_terminal)
        ecran.text("\033[H\033[2J\033[3J");
}

std::string nomFichier(const std::string& nom)
{
    return nom.ends_with(".txt") ? nom : nom + ".txt";
}

void installerSignaux()
{
    struct sigaction action {};
    action.sa_handler = noterSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: the wait for a word returns
    for (const int numero : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction avant {};
        // A signal ignored at start (nohup, a background job) stays ignored.
        if (sigaction(numero, nullptr, &avant) == 0 && avant.sa_handler != SIG_IGN)
            sigaction(numero, &action, nullptr);
    }
}

int signalRecu()
{
    return signal_recu;
}

bool Terminal::lireMot(std::string& mot)
{
    ecran.flush();
    // A signal that comes between this test and the read interrupts the read;
    // one that comes just before it is seen once a line is typed.
    if (signal_recu)
        return false;
    return entree.scan("%s", mot) == 1 && !signal_recu;
}

std::optional<Acquisition> dialogueOuverture(Terminal& t)
{
    int points = 0;
    float pas = 0.0f, chariot = 0.0f, barre = 0.0f;
    const bool complet =
        demander(t, "Nombre de points par ligne?",
                 [&](const std::string& mot) { return entierComplet(mot, points) && points >= 1 && ligneAllouable(points); }) &&
        demander(t, "Pas de mesure en cm",
                 [&](const std::string& mot) { return reelComplet(mot, pas) && pas > 0.0f; }) &&
        demander(t, "Position chariot en cm (ce lit sur la barre)",
                 [&](const std::string& mot) { return reelComplet(mot, chariot); }) &&
        demander(t, "Position barre en cm (ce lit sur le cadre)",
                 [&](const std::string& mot) { return reelComplet(mot, barre); });
    if (!complet)
        return std::nullopt;
    Acquisition a = commencer(points, pas, chariot, barre);
    pipeline::diagnose(t.ecran, "handgrid",
                       "tapez un mot quelconque (par exemple go) et Entree pour commencer les mesures");
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
    std::string mot;
    for (;;) {
        t.ecran.print("Choisir un nom pour ce fichier:");
        if (!t.lireMot(mot))
            return sauverEnSecours(t, a);
        const std::string nom = nomFichier(mot);
        std::error_code inconnu;
        if (std::filesystem::exists(std::filesystem::symlink_status(nom, inconnu)) &&
            !std::filesystem::is_directory(nom, inconnu)) {
            t.ecran.print("Le fichier %s existe deja : le remplacer ? (o/n)\n", nom);
            if (!t.lireMot(mot))
                return sauverEnSecours(t, a);
            if (!oui(mot))
                continue;
        }
        int erreur = 0;
        if (ecrireFichier(nom, a, erreur))
            return 0;
        t.ecran.print("Impossible d'ecrire le fichier %s, choisissez un autre nom.\n", nom);
        pipeline::diagnose_file(t.ecran, "handgrid", "impossible d'ecrire", nom, erreur);
    }
}

int sauverEnSecours(Terminal& t, const Acquisition& a)
{
    const int numero = signalRecu();
    const int statut = numero ? 128 + numero : 1;
    const std::string evenement = numero ? "Interruption" : "Fin des donnees d'entree";
    const std::string cause = numero ? std::string("interrompu par ") + nomSignal(numero)
                                     : std::string("fin des donnees d'entree avant le nom du fichier");
    std::string echec = "1000 fichiers grille_secours existent deja";
    for (int essai = 0; essai < 1000; ++essai) {
        const std::string nom =
            essai == 0 ? "grille_secours.txt" : "grille_secours_" + std::to_string(essai) + ".txt";
        int erreur = 0;
        auto fichier = Writer::open(nom, "wx", &erreur); // never replaces an existing file
        if (!fichier && erreur == EEXIST)
            continue;
        if (fichier) {
            ecrireGrille(a, *fichier);
            if (fichier->close()) {
                t.ecran.print("\n%s : la grille est enregistree dans le fichier %s\n", evenement, nom);
                pipeline::diagnose(t.ecran, "handgrid", cause + " : les mesures sont enregistrees dans " + nom);
                return statut;
            }
            erreur = fichier->error();
            std::remove(nom.c_str()); // no partial grid left looking whole
        }
        echec = (fichier ? "impossible d'ecrire " : "impossible de creer ") + nom + " : " +
                pipeline::system_reason(erreur);
        break;
    }
    t.ecran.print("\n%s et aucun fichier ne peut etre cree : voici la grille.\n", evenement);
    ecrireGrille(a, t.ecran);
    pipeline::diagnose(t.ecran, "handgrid", cause + " : " + echec + " ; la grille est affichee a l'ecran");
    return statut;
}

} // namespace handgrid
