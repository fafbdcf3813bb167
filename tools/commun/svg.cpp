#include "tools/commun/svg.hpp"

#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace outils {

namespace {

std::mutex& verrou_plplot()
{
    static std::mutex verrou;
    return verrou;
}

} // namespace

bool svg_disponible()
{
    static const bool disponible = [] {
        std::lock_guard<std::mutex> verrou(verrou_plplot());
        std::array<const char*, 128> menus{};
        std::array<const char*, 128> noms{};
        int n = static_cast<int>(noms.size());
        const char** liste_menus = menus.data();
        const char** liste_noms = noms.data();
        plgDevs(&liste_menus, &liste_noms, &n);
        for (int i = 0; i < n && i < static_cast<int>(noms.size()); ++i)
            if (noms[i] != nullptr && std::string(noms[i]) == "svg")
                return true;
        return false;
    }();
    return disponible;
}

CaptureSvg::CaptureSvg(int largeur, int hauteur, const Couleurs& couleurs, const std::string& prefixe)
    : verrou_(verrou_plplot())
{
    std::string modele = (std::filesystem::temp_directory_path() / (prefixe + "-XXXXXX.svg")).string();
    const int fd = mkstemps(modele.data(), 4);
    if (fd < 0)
        throw std::runtime_error("fichier temporaire impossible a creer");
    close(fd);
    chemin_ = modele;
    flux_ = std::make_unique<plstream>();
    flux_->sdev("svg");
    flux_->sfnam(chemin_.c_str());
    flux_->spage(0, 0, largeur, hauteur, 0, 0);
    flux_->scmap0(couleurs.rouge.data(), couleurs.vert.data(), couleurs.bleu.data(),
                  static_cast<PLINT>(couleurs.rouge.size()));
    flux_->init();
}

CaptureSvg::~CaptureSvg()
{
    flux_.reset();
    std::error_code ignore;
    std::filesystem::remove(chemin_, ignore);
}

std::string CaptureSvg::finir()
{
    flux_.reset(); // ends the page and closes the file
    std::ifstream in(chemin_, std::ios::binary);
    std::ostringstream texte;
    texte << in.rdbuf();
    in.close();
    std::error_code ignore;
    std::filesystem::remove(chemin_, ignore);
    return texte.str();
}

} // namespace outils
