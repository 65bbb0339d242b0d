// Making a template from a frame picture, as New Template from Picture does
// it: the PNG read, its alpha turned into the frame's mask, the windows
// found, this.tpl (picture and mask as JPEG) and the thumbnail written into
// a template folder, replacing the one of the run before.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QImage>
#include <QPainter>

#include "app/PictureTemplate.h"
#include "model/TemplateStore.h"
#include "model/WorkArea.h"

namespace {

namespace fs = std::filesystem;

// A 3000 x 2000 print frame drawn as another program would: a textured
// card with an elliptic and a rectangular transparent window, soft edges.
fs::path FramePicture(const fs::path& folder)
{
    QImage picture(3000, 2000, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgb(140 + (x / 7 + y / 5) % 60, 60 + (x * y / 4096) % 40, 40 + (x + 2 * y) / 40 % 50);
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(800, 1000), 560, 720);
    painter.drawRoundedRect(QRectF(1600, 300, 1150, 1400), 40, 40);
    painter.end();
    const fs::path path = folder / "frame.png";
    picture.save(QString::fromStdString(path.string()));
    return path;
}

void BM_NewTemplateFromPicture_Png3000x2000(benchmark::State& state)
{
    const fs::path folder = fs::temp_directory_path() / ("orvantis-bench-template-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path picture = FramePicture(folder);
    for (auto _ : state) {
        std::string why;
        const std::unique_ptr<WorkArea> made = OpenPictureTemplate(picture, why);
        if (!made || !WriteNewTemplate(*made, folder / "template", "Bench", "Frame", true).Succeeded()) {
            state.SkipWithError(why.c_str());
            break;
        }
    }
    state.counters["MP/s"] = benchmark::Counter(6.0, benchmark::Counter::kIsIterationInvariantRate);
    fs::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_NewTemplateFromPicture_Png3000x2000)->Unit(benchmark::kMillisecond);
