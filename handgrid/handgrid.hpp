// Manual acquisition of a height grid: the operator is told where bar and
// carriage must stand, types each reading, and ends with the word fin; the
// readings, line after line, become a grid file.
#pragma once

#include "common/line_io.hpp"

#include <optional>
#include <string>
#include <vector>

namespace handgrid {

// Readings line by line: mat[line][point].
using Matrice = std::vector<std::vector<double>>;

// An l x c matrix of zeros.
Matrice matrice(int l, int c);
// Adds a line of c zeros after the lines already there.
void agrandir_matrice(Matrice& mat, int c);
// The l x c elements line after line, each with its sign changed, one "%lf\n" each.
void imprimer_matrice(int l, int c, const Matrice& matrice, pipeline::Writer& fichier);

// Whether the word is wholly an integer as "%i" reads it (decimal, 0 octal,
// 0x hexadecimal) within the range of an int.
bool entierComplet(const std::string& mot, int& valeur);
// Whether the word is wholly a finite number as "%f" reads it.
bool reelComplet(const std::string& mot, float& valeur);
// The reading a word gives: an integer, a comma and an integer have their
// comma taken as the decimal point; the whole word must be a finite number.
std::optional<double> convertirMesure(const std::string& mot);

// The four lines shown at the top of the screen once a line is complete.
extern const std::string banniere;

struct Acquisition {
    int nbr_point_par_lignes = 1;
    float pas = 0.0f;
    float pos_chariot_ini = 0.0f;
    float pos_barre_ini = 0.0f;
    int nbr_lignes = 1;
    int indice_pos_chariot = -1; // last point stored in the current line
    int indice_pos_barre = 0;    // current line
    float pos_chariot = 0.0f;    // where the carriage must stand for the next reading
    float pos_barre = 0.0f;      // where the bar must stand for the next reading
    double mesure = 0.0;         // last reading stored
    std::string info_nouvelle_ligne;
    Matrice mat;
};

// A new acquisition with one line of zeros.
Acquisition commencer(int nbr_point_par_lignes, float pas, float pos_chariot_ini, float pos_barre_ini);

// Whether one line of that many points fits in memory.
bool ligneAllouable(int nbr_point_par_lignes);

// Stores a reading at the next position and moves bar and carriage on; false
// (nothing changed) when the matrix cannot take one more line.
bool enregistrerMesure(Acquisition& a, double mesure);

// The measurement screen after the terminal is cleared.
void afficherEcran(const Acquisition& a, pipeline::Writer& ecran);

// The positions of the last line that were never measured: the acquisition
// ended inside a line, or before any reading.
int positionsNonMesurees(const Acquisition& a);

// The step as the grid header writes it: the fewest decimals, one at least,
// whose text reads back as the same float (2 gives 2.0, 0.25 gives 0.25).
std::string textePas(float pas);

// The grid file: header "%ix%ix" and the step, then every reading with its
// sign changed; a position never measured holds the empty-cell marker, as it is.
void ecrireGrille(const Acquisition& a, pipeline::Writer& grille);

// The file a typed name gives: ".txt" added unless the name ends with it.
std::string nomFichier(const std::string& nom);

// Ctrl-C (SIGINT), SIGTERM and SIGHUP, unless ignored at start, only note
// their number and interrupt the wait for a word: the readings are then saved
// as at the end of the input, and the run ends with 128 + the number.
void installerSignaux();
// The number of the signal received, 0 when none.
int signalRecu();

// The operator's keyboard and screen.
struct Terminal {
    pipeline::Reader entree;
    pipeline::Writer ecran;
    bool est_terminal = false; // the screen is a terminal, and is cleared

    void effacer();
    // Shows what was printed, then reads one word; false at the end of the
    // input or once a signal is received.
    bool lireMot(std::string& mot);
};

// The four opening questions and the word after them; empty when the input
// ends or a signal comes first.
std::optional<Acquisition> dialogueOuverture(Terminal& t);

// Measurement screens until the word fin, the end of the input or a signal.
void boucleMesures(Terminal& t, Acquisition& a);

// Announces the file, tells on standard error how many positions were never
// measured, asks its name (and whether to replace a file of that name) and
// writes it; gives the exit status. A signal before the file is written
// saves the readings to a rescue file.
int dialogueFin(Terminal& t, const Acquisition& a);

// The readings saved to the first free grille_secours[_N].txt after the end
// of the input or a signal, said on the screen; gives the exit status, 1 or
// 128 + the signal's number.
int sauverEnSecours(Terminal& t, const Acquisition& a);

} // namespace handgrid
