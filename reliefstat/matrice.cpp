#include "reliefstat/matrice.hpp"

#include "common/memoire.hpp"
#include "common/two_stage.hpp"

#include <climits>
#include <cstdlib>
#include <new>

namespace reliefstat {

Matrice::Matrice(int nl, int nc) : nl_(nl), nc_(nc)
{
    const std::size_t n = static_cast<std::size_t>(nl) * static_cast<std::size_t>(nc);
    if (n == 0)
        return;
    valeurs_.reset(static_cast<double*>(std::calloc(n, sizeof(double))));
    if (!valeurs_)
        throw std::bad_alloc();
}

void Matrice::Liberer::operator()(double* bloc) const
{
    std::free(bloc);
}

std::uint64_t memoire_utilisable()
{
    const std::uint64_t octets = pipeline::memoire_disponible();
    return octets - octets / 8;
}

int reserverMatrice(long long nl, long long nc, Matrice& p_mat, std::uint64_t& memoire_restante,
                    pipeline::Writer& ecran)
{
    constexpr std::uint64_t adresse = sizeof(double*);
    constexpr std::uint64_t element = sizeof(double);
    if (nl < 0 || nl > INT_MAX || static_cast<std::uint64_t>(nl) > memoire_restante / adresse) {
        ecran.print("erreur resa matrice");
        return 0;
    }
    const std::uint64_t table = static_cast<std::uint64_t>(nl) * adresse;
    const std::uint64_t reste = memoire_restante - table;
    if (nc < 0 || nc > INT_MAX ||
        (nc > 0 && static_cast<std::uint64_t>(nl) > reste / element / static_cast<std::uint64_t>(nc))) {
        ecran.print("erreur resa lignes");
        return 0;
    }
    const std::uint64_t lignes = static_cast<std::uint64_t>(nl) * static_cast<std::uint64_t>(nc) * element;
    try {
        p_mat = Matrice(static_cast<int>(nl), static_cast<int>(nc));
    } catch (const std::bad_alloc&) {
        ecran.print("erreur resa lignes");
        return 0;
    }
    memoire_restante -= table + lignes;
    return 1;
}

void write_lines(pipeline::Writer& out, int count, long long values,
                 const std::function<void(pipeline::Writer&, int)>& line)
{
#ifndef RUGOSITE_STDIO_REFERENCE
    // Below this, starting a thread costs more than it saves.
    constexpr long long in_parallel = 1 << 16;
    if (values >= in_parallel && count > 1) {
        struct Text {
            int i = 0;
            std::string bytes;
        };
        int next = 0;
        // Lots of a few lines: the text formatted ahead stays small.
        constexpr std::size_t lines_per_lot = 4;
        pipeline::two_stage<Text>(
            [&](Text& t) {
                if (next == count)
                    return false;
                t.i = next++;
                if (t.i % 2 == 1) {
                    pipeline::Writer memory = pipeline::Writer::in_memory();
                    line(memory, t.i);
                    t.bytes = memory.memory_text();
                }
                return true;
            },
            [&](const Text& t) {
                if (t.i % 2 == 0)
                    line(out, t.i);
                else
                    out.text(t.bytes);
                return true;
            },
            lines_per_lot);
        return;
    }
#endif
    (void)values;
    for (int i = 0; i < count; ++i)
        line(out, i);
}

void ecrireMatrice(pipeline::Writer& fichier, const Matrice& matrice, int nbLignes, int nbColonnes)
{
    write_lines(fichier, nbLignes, static_cast<long long>(nbLignes) * nbColonnes, [&](pipeline::Writer& w, int i) {
        const double* ligne = matrice[i];
        for (int j = 0; j < nbColonnes; ++j) {
            w.print("%lf", ligne[j]);
            w.text(j + 1 < nbColonnes ? "\t" : "\n");
        }
    });
}

bool matrice2file(const Matrice& matrice, int nbLignes, int nbColonnes, const std::string& filename, int& erreur)
{
    auto fichier = pipeline::Writer::open(filename, "w", erreur);
    if (!fichier)
        return false;
    ecrireMatrice(*fichier, matrice, nbLignes, nbColonnes);
    if (fichier->close())
        return true;
    erreur = fichier->error();
    return false;
}

} // namespace reliefstat
