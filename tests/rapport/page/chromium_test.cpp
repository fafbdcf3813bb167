// A page of the report as a browser shows it: headless Chromium renders it
// without a network, and the screenshot holds the pictures. Skipped with a
// notice where Chromium cannot be had.
#include "tests/rapport/page/exemple.hpp"
#include "tools/rapport/page/figures.hpp"
#include "tools/rapport/page/page.hpp"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace rapport_test;

std::string find_chromium()
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        for (const char* name : {"chromium", "chromium-browser"}) {
            const fs::path candidate = fs::path(dir) / name;
            if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
        }
    }
    return {};
}

struct Screenshot {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> rgb; // 3 bytes a pixel

    // Pixels that are not near white.
    std::size_t inked() const
    {
        std::size_t n = 0;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (rgb[i] < 235 || rgb[i + 1] < 235 || rgb[i + 2] < 235)
                ++n;
        return n;
    }
    // Pixels of a clear colour (not grey): the map's colours and the curves.
    std::size_t coloured() const
    {
        std::size_t n = 0;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
            const int hi = std::max({rgb[i], rgb[i + 1], rgb[i + 2]});
            const int lo = std::min({rgb[i], rgb[i + 1], rgb[i + 2]});
            if (hi - lo > 60)
                ++n;
        }
        return n;
    }
};

class ChromiumPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        chromium_ = find_chromium();
        if (chromium_.empty()) {
            std::cout << "NOTICE: chromium absent : le rendu de la page dans un navigateur n'est pas "
                         "vérifié\n";
            GTEST_SKIP() << "NOTICE: chromium absent";
        }
        dir_ = fs::temp_directory_path() / ("rapport-chromium-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // Renders the page at 1000 x 2600 pixels and reads the screenshot back.
    Screenshot render(const std::string& html, const std::string& name)
    {
        const fs::path page = dir_ / (name + ".html");
        const fs::path png = dir_ / (name + ".png");
        const fs::path profile = dir_ / (name + "-profil");
        std::ofstream(page, std::ios::binary) << html;
        const std::string command = "timeout 120 '" + chromium_ +
                                    "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                    "--disable-background-networking --disable-component-update --disable-sync "
                                    "--hide-scrollbars --user-data-dir='" +
                                    profile.string() + "' --screenshot='" + png.string() +
                                    "' --window-size=1000,2600 'file://" + page.string() + "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << command;
        Screenshot shot;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, png.c_str())) {
            ADD_FAILURE() << "capture illisible : " << png;
            return shot;
        }
        image.format = PNG_FORMAT_RGB;
        shot.rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, shot.rgb.data(), 0, nullptr)) {
            ADD_FAILURE() << "capture illisible : " << png;
            shot.rgb.clear();
            return shot;
        }
        shot.width = image.width;
        shot.height = image.height;
        return shot;
    }

    std::string chromium_;
    fs::path dir_;
};

TEST_F(ChromiumPage, RendersWithItsPictures)
{
    if (!rapport::svg_disponible())
        GTEST_SKIP() << "NOTICE: pilote SVG de PLplot absent";
    const auto with = render(
        rapport::page_html(exemple_rapport(40, 50, 0.5), 40, 50, exemple_hauteurs(40, 50, {0, 1, 2})), "complet");
    // The same report without anything to draw: tables only.
    auto bare = exemple_rapport(40, 50, 0.5);
    for (const char* key : {"H", "H_barre", "H_cadre"})
        for (auto& v : bare["correlation"][key])
            v = nullptr;
    const auto without = render(rapport::page_html(bare, 40, 50, std::vector<double>(2000, NAN)), "sans-images");
    ASSERT_EQ(with.width, 1000u);
    ASSERT_EQ(with.height, 2600u);
    ASSERT_EQ(without.width, 1000u);
    const std::size_t pixels = std::size_t{with.width} * with.height;
    std::cout << "capture : " << with.inked() << " pixels encrés, " << with.coloured()
              << " colorés ; sans images : " << without.coloured() << " colorés\n";
    // Not blank, and the pictures bring a wealth of colour the tables do not have.
    EXPECT_GT(with.inked(), pixels / 10);
    EXPECT_GT(with.coloured(), pixels / 20);
    EXPECT_GT(with.coloured(), 10 * (without.coloured() + 1000));
}

} // namespace
