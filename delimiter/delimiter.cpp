#include "delimiter/delimiter.hpp"

#include "common/progress.hpp"

namespace delimiter {

const char* lireCadre(Reader& base, Cadre& c, bool& vide)
{
    vide = false;
    if (const int lus = base.scan("%lf %lf %lf\n", c.translat[0], c.translat[1], c.translat[2]); lus != 3) {
        vide = lus == pipeline::fin_de_fichier;
        return "le vecteur translation";
    }
    if (base.scan("%lf %lf %lf", c.rotation.rotX, c.rotation.rotY, c.rotation.rotZ) != 3)
        return "le vecteur rotation";
    if (base.scan("%lf", c.echelle) != 1 || !pipeline::echelleValide(c.echelle))
        return "l'echelle";
    return nullptr;
}

Bilan delimiterNuage(pipeline::Nuage& nuage, const Cadre& cadre, Writer& cloud, Writer& cloud_m)
{
    const pipeline::Matrice3 mat_rot =
        pipeline::matriceRotation(cadre.rotation.rotX, cadre.rotation.rotY, cadre.rotation.rotZ);
    Bilan bilan;
    pipeline::Progress progression("delimiter");
    while (const pipeline::Sommet* v = nuage.suivant()) {
        ++bilan.counti;
        progression.step();
        const pipeline::Point point = pipeline::versRepere(v->point, cadre.translat, mat_rot, cadre.echelle);
        if (!pipeline::dansLeCadre(point[0], point[1]))
            continue;
        const int ij = ++bilan.ij;
        cloud.print("%lf %lf %lf\n", point[0], point[1], point[2]);
        cloud_m.print("X(%d)=%lf; Y(%d)=%lf; Z(%d)=%lf;\n", ij, point[0], ij, point[1], ij, point[2]);
        cloud_m.print("r(%d)=%lf; g(%d)=%lf; b(%d)=%lf;\n", ij, v->couleur[0], ij, v->couleur[1], ij, v->couleur[2]);
    }
    bilan.fichier_fautif = nuage.fichier_fautif();
    return bilan;
}

} // namespace delimiter
