#include "page.hpp"

namespace rapport {

std::string page_html(const nlohmann::json& rapport, int lignes, int colonnes,
                      const std::vector<double>& hauteurs_nivelees) {
  (void)rapport;
  (void)lignes;
  (void)colonnes;
  (void)hauteurs_nivelees;
  return "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\"><title>Rapport de rugosité</title></head><body></body></html>\n";
}

}  // namespace rapport
