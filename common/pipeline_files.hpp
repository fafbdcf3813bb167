// The fixed names of the files the programs hand each other in the working
// directory.
#pragma once

namespace pipeline {

inline constexpr const char* fichier_log = "log.txt";

inline constexpr const char* fichier_ply = "option-0000.ply";
inline constexpr const char* fichier_x = "f_x.txt";
inline constexpr const char* fichier_y = "f_y.txt";
inline constexpr const char* fichier_z = "f_z.txt";
inline constexpr const char* fichier_color = "f_color.txt";

inline constexpr const char* fichier_coin_O = "coin_O.txt";
inline constexpr const char* fichier_coin_X = "coin_X.txt";
inline constexpr const char* fichier_coin_Y = "coin_Y.txt";
inline constexpr const char* fichier_nbr_point_par_coin = "nbr_point_par_coin.txt";

inline constexpr const char* fichier_base = "base.txt";
inline constexpr const char* fichier_cloud = "cloud.txt";
inline constexpr const char* fichier_grille = "grille.txt";

} // namespace pipeline
