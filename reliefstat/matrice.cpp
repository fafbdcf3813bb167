#include "reliefstat/matrice.hpp"

#include "common/memoire.hpp"
#include "common/many_lines.hpp"

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

void ecrireMatrice(pipeline::Writer& fichier, const Matrice& matrice, int nbLignes, int nbColonnes)
{
    pipeline::write_lines(fichier, nbLignes, static_cast<long long>(nbLignes) * nbColonnes, [&](pipeline::Writer& w, int i) {
        const double* ligne = matrice[i];
        for (int j = 0; j < nbColonnes; ++j) {
            w.print("%lf", ligne[j]);
            w.text(j + 1 < nbColonnes ? "\t" : "\n");
        }
    });
}

bool matrice2file(const Matrice& matrice, int nbLignes, int nbColonnes, const std::string& filename, int& erreur)
{
    auto fichier = pipeline::Writer::open(filename, "w", &erreur);
    if (!fichier)
        return false;
    ecrireMatrice(*fichier, matrice, nbLignes, nbColonnes);
    if (fichier->close())
        return true;
    erreur = fichier->error();
    return false;
}

} // namespace reliefstat
