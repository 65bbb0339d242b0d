// Batch render throughput: N cards (default 100) of an 1800 x 1200 template,
// each with its own 12-megapixel photo file and a text, rendered by
// orvantis-render --batch with 1 and with 2 jobs, in cards per minute. Then
// one such card as a whole process against vipsthumbnail of its photo to the
// frame window's size, the library's own tool for the same resample.
//   render_bench [CARDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchPictures.h"

namespace {

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

// Wall-clock seconds of a shell command line, which must succeed.
double Seconds(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((command + " 2>/dev/null").c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "render_bench: '%s' failed (%d)\n", command.c_str(), status);
        std::exit(1);
    }
    return seconds;
}

// The best of seven runs of each command, the commands taken in turn, so
// that a change of the machine's load weighs on all of them alike.
std::vector<double> BestOfSeven(const std::vector<std::string>& commands)
{
    std::vector<double> best(commands.size(), 1e9);
    for (int run = 0; run < 7; ++run)
        for (std::size_t i = 0; i < commands.size(); ++i)
            best[i] = std::min(best[i], Seconds(commands[i]));
    return best;
}

double CardsPerMinute(const std::filesystem::path& csv, const std::filesystem::path& out, int jobs, int cards,
                      const std::filesystem::path& templateFolder)
{
    std::filesystem::remove_all(out);
    return cards * 60.0 /
           Seconds(Quoted(ORVANTIS_RENDER) + " --batch " + Quoted(csv) + " --out " + Quoted(out) + " --template " +
                   Quoted(templateFolder) + " -j " + std::to_string(jobs));
}

// The frame window is the template's middle half (FrameTemplateFolder).
void CompareWithVipsthumbnail(const std::filesystem::path& folder, const std::filesystem::path& templateFolder,
                              const std::filesystem::path& photo, SIZE card)
{
    if (std::system("command -v vipsthumbnail >/dev/null 2>&1") != 0) {
        std::printf("one card against vipsthumbnail: skipped, vipsthumbnail is missing "
                    "(scripts/install-deps.sh --bench installs libvips-tools)\n");
        return;
    }
    const std::string render = Quoted(ORVANTIS_RENDER) + " --template " + Quoted(templateFolder);
    const std::string window = std::to_string(card.cx / 2) + "x" + std::to_string(card.cy / 2);
    const std::vector<double> best = BestOfSeven({
        render + " --photo " + Quoted(photo) + " -o " + Quoted(folder / "one.jpg"),
        "vipsthumbnail " + Quoted(photo) + " -s " + window + " -o " + Quoted(folder / "thumb.jpg"),
        render + " -o " + Quoted(folder / "empty.jpg"),
    });
    std::printf("one %ld x %ld card with a 12 MP photo, whole process: %.3f s (empty card %.3f s); "
                "vipsthumbnail of the photo to %s: %.3f s; card / vipsthumbnail = %.2f (target: 1.20 at most)\n",
                long(card.cx), long(card.cy), best[0], best[2], window.c_str(), best[1], best[0] / best[1]);
}

}  // namespace

int main(int argc, char** argv)
{
    const int cards = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const std::filesystem::path folder = benchpictures::BenchFolder() / "render";
    std::filesystem::create_directories(folder);
    const SIZE card{1800, 1200};
    const benchpictures::FrameTemplateFolder templateFolder(card);
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
    CompareWithVipsthumbnail(folder, templateFolder.Path(), folder / "photo0.jpg", card);
    std::filesystem::remove_all(folder);
    return 0;
}
