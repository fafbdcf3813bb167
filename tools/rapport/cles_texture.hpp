// The scalar surface-texture parameters of rapport.json, by group, in the order
// of the report's CSV columns and of the campaign's tables.
#pragma once

#include <array>

namespace rapport {

struct CleTexture {
    const char* groupe; // key of the group in rapport.json
    const char* nom;    // key in the group, and the CSV column's name
};

inline constexpr std::array<CleTexture, 16> cles_texture = {{{"espace", "Sal"},
                                                             {"espace", "Str"},
                                                             {"espace", "Std"},
                                                             {"hybrides", "Sdq"},
                                                             {"hybrides", "Sdr"},
                                                             {"fonctionnels", "Smr"},
                                                             {"fonctionnels", "Smc"},
                                                             {"fonctionnels", "Sk"},
                                                             {"fonctionnels", "Spk"},
                                                             {"fonctionnels", "Svk"},
                                                             {"fonctionnels", "Smr1"},
                                                             {"fonctionnels", "Smr2"},
                                                             {"fonctionnels", "Vmp"},
                                                             {"fonctionnels", "Vmc"},
                                                             {"fonctionnels", "Vvc"},
                                                             {"fonctionnels", "Vvv"}}};

} // namespace rapport
