#include "common/memoire.hpp"

#include "common/line_io.hpp"

#include <unistd.h>

#include <string>

namespace pipeline {

std::uint64_t memoire_disponible()
{
    if (auto meminfo = Reader::open("/proc/meminfo")) {
        std::string mot;
        while (meminfo->scan("%s", mot) == 1)
            if (mot == "MemAvailable:") {
                double kio = 0.0;
                if (meminfo->scan("%lf", kio) == 1 && kio > 0.0)
                    return static_cast<std::uint64_t>(kio) * 1024;
                break;
            }
    }
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long taille = sysconf(_SC_PAGESIZE);
    return pages > 0 && taille > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(taille) : 0;
}

} // namespace pipeline
