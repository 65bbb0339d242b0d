// Batch render throughput: N cards (default 100) of an 1800 x 1200 template,
// each with its own 12-megapixel photo file and a text, rendered by
// orvantis-render --batch with 1 and with 2 jobs, in cards per minute.
//   render_bench [CARDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/BenchPictures.h"

namespace {

double CardsPerMinute(const std::filesystem::path& csv, const std::filesystem::path& out, int jobs, int cards,
                      const std::filesystem::path& templateFolder)
{
    std::filesystem::remove_all(out);
    const std::string command = std::string("'") + ORVANTIS_RENDER + "' --batch '" + csv.string() + "' --out '" +
                                out.string() + "' --template '" + templateFolder.string() + "' -j " +
                                std::to_string(jobs) + " 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "render_bench: orvantis-render failed (%d)\n", status);
        std::exit(1);
    }
    return cards * 60.0 / seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const int cards = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const std::filesystem::path folder = benchpictures::BenchFolder() / "render";
    std::filesystem::create_directories(folder);
    const benchpictures::FrameTemplateFolder templateFolder({1800, 1200});
    // One file per card, so that every card reads and decodes its own photo.
    const PxImage photo = benchpictures::PhotoLike(4000, 3000);
    std::ofstream csv(folder / "cards.csv", std::ios::binary);
    csv << "photo,text,name\n";
    for (int i = 0; i < cards; ++i) {
        const std::string name = "photo" + std::to_string(i) + ".jpg";
        if (i == 0)
            PxImage(photo).Save(folder / name, FormatJpg);
        else
            std::filesystem::copy_file(folder / "photo0.jpg", folder / name,
                                       std::filesystem::copy_options::overwrite_existing);
        csv << name << ",\"Card " << i << ", with love\",card" << i << ".jpg\n";
    }
    csv.close();
    for (const int jobs : {1, 2})
        std::printf("%d cards of 1800 x 1200 with a 12 MP photo, -j %d: %.1f cards per minute\n", cards, jobs,
                    CardsPerMinute(folder / "cards.csv", folder / "out", jobs, cards, templateFolder.Path()));
    std::filesystem::remove_all(folder);
    return 0;
}
