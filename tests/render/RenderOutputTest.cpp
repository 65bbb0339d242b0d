#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/LumivexDoc.h"
#include "app/PhotoFile.h"
#include "image/PxImage.h"
#include "model/CardDocument.h"
#include "model/ImageEx.h"
#include "model/TextEx.h"
#include "render/CardAssembly.h"
#include "tests/view/FakeViewHost.h"
#include "view/LumivexView.h"

namespace {

struct Outcome {
    int status = -1;
    QString errors;
};

// The real executable with no window system named anywhere.
Outcome RunRender(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ORVANTIS_RENDER), arguments);
    Outcome run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "orvantis-render did not finish: " << process.errorString().toStdString();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::string Bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A photo with detail everywhere, so that any misplaced or resampled pixel
// shows in the file.
std::filesystem::path WritePhoto(const QTemporaryDir& folder, const char* name, std::uint32_t width,
                                 std::uint32_t height)
{
    PxImage photo(width, height, 24, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = photo.GetBits(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            row[3 * x] = std::uint8_t(x * 7 + y);
            row[3 * x + 1] = std::uint8_t(y * 255 / height);
            row[3 * x + 2] = std::uint8_t((x ^ y) * 3);
        }
    }
    const std::filesystem::path path = folder.filePath(name).toStdString();
    EXPECT_TRUE(photo.Save(path, FormatJpg));
    return path;
}

QString Arg(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// Every file of a folder, by name.
std::map<std::string, std::string> Files(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = Bytes(entry.path());
    return files;
}

class RenderOutput : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    std::filesystem::path Path(const char* name) const { return m_folder.filePath(name).toStdString(); }
    // cards.csv: the header, then rows.
    std::filesystem::path WriteCards(const char* rows) const
    {
        std::ofstream(Path("cards.csv"), std::ios::binary) << "photo,text,name\n" << rows;
        return Path("cards.csv");
    }

    QTemporaryDir m_folder;
};

// The default card (its frame, mask and template texts) saved from the window
// as its user makes it: shown at 100%, one photo opened and fitted to the
// window, one dragged into a box and turned, a text typed with the editor.
// A card shown smaller is another card: its texts were fitted to the smaller
// boxes on the way.
TEST_F(RenderOutput, CardFileIsByteForByteTheProgramsSave)
{
    const auto fitted = WritePhoto(m_folder, "fitted.jpg", 900, 700);
    const auto boxed = WritePhoto(m_folder, "boxed.jpg", 400, 300);

    CLumivexDoc document{ORVANTIS_SKINS};
    FakeHost host;
    CLumivexView view(document, &host);
    // Sized before it is shown, the view fits the card once, straight at 100%:
    // fitting it smaller first would refit the template's texts twice.
    view.resize(2400, 1800);
    view.show();
    const WorkArea& card = document.Card();
    ASSERT_EQ(card.GetFrameSize(), card.GetCardImageSize());

    PxImage picture;
    ASSERT_TRUE(picture.Load(fitted));
    ASSERT_TRUE(document.PlacePhoto(picture));
    document.FitSelectedPhoto();
    view.ClearSelection();
    ASSERT_TRUE(picture.Load(boxed));
    ASSERT_TRUE(document.PlacePhoto(picture));
    document.SetSelectionBounds({150, 90}, {500, 375});
    document.RotateSelectedPhoto(17);
    view.ClearSelection();

    view.SetMode(MODE_ADD_TEXT);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(700, 1100));
    QTest::keyClicks(&view.GetEditor(), QStringLiteral("Happy Birthday, Anna"));
    QTest::keyClick(&view.GetEditor(), Qt::Key_Return);
    const auto* typed = dynamic_cast<const TextEx*>(card.GetElements().back().get());
    ASSERT_TRUE(typed && typed->GetText() == u"Happy Birthday, Anna");
    const QString textAt = QStringLiteral("Happy Birthday, Anna@%1,%2").arg(typed->m_ptPos.x).arg(typed->m_ptPos.y);

    for (const char* name : {"card.jpg", "card.png"}) {
        std::string error;
        ASSERT_TRUE(document.SaveCardImage(Path(name), error)) << error;
        const std::string rendered = std::string("rendered-") + name;
        const Outcome run = RunRender({"--photo", QString::fromStdString(fitted.string()), "--photo",
                                       QString::fromStdString(boxed.string()) + "@150,90,500,375,17", "--text", textAt, "--colour", "#000000", "-o",
                                       QString::fromStdString(Path(rendered.c_str()).string())});
        ASSERT_EQ(run.status, 0) << run.errors.toStdString();
        const std::string saved = Bytes(Path(name));
        EXPECT_GT(saved.size(), 1000u);
        EXPECT_TRUE(saved == Bytes(Path(rendered.c_str()))) << name << " differs from the program's Save";
    }
}

// A card file renders headless to the bytes of the program's Save of the
// card, shown at whatever size it was saved in; card files given together
// render a picture each, and the thumbnailer hands over the stored preview.
TEST_F(RenderOutput, CardFilesRenderAsTheProgramSavesThem)
{
    const auto photo = WritePhoto(m_folder, "photo.jpg", 900, 700);
    CLumivexDoc document{ORVANTIS_SKINS};
    document.FitCardToView({900, 650}, true);
    PxImage picture;
    SharedSourceFile source;
    std::string error;
    ASSERT_TRUE(OpenPhoto(photo, picture, error, source)) << error;
    ASSERT_TRUE(document.PlacePhoto(picture, 0, source));
    document.FitSelectedPhoto();
    document.ClearSelection(true);
    ASSERT_TRUE(document.PlacePhoto(picture, 40, source));
    document.RotateSelectedPhoto(-23);
    document.MirrorSelectedPhoto();
    ASSERT_TRUE(document.SaveCardImage(Path("saved.png"), error)) << error;
    ASSERT_TRUE(document.SaveCard(Path("first.orvantis"), error)) << error;
    std::filesystem::copy_file(Path("first.orvantis"), Path("second.orvantis"));
    std::filesystem::remove(photo);

    Outcome run = RunRender({Arg(Path("first.orvantis")), "-o", Arg(Path("rendered.png"))});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(Bytes(Path("saved.png")) == Bytes(Path("rendered.png")));
    run = RunRender({Arg(Path("first.orvantis")), Arg(Path("second.orvantis")), "--out", Arg(Path("out")), "--format", "png"});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(Bytes(Path("out/second.png")) == Bytes(Path("saved.png")));
    run = RunRender({"--thumbnail", "64", Arg(Path("first.orvantis")), Arg(Path("thumb.png"))});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    PxImage thumbnail;
    ASSERT_TRUE(thumbnail.Load(Path("thumb.png")));
    EXPECT_EQ(std::max(thumbnail.GetWidth(), thumbnail.GetHeight()), 64u);
    run = RunRender({"--thumbnail", "64", Arg(Path("saved.png.orvantis")), Arg(Path("none.png"))});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains("No such file or directory")) << run.errors.toStdString();
}

// A text given without a place lands clear of the template's own texts.
TEST_F(RenderOutput, ATextWithoutAPlaceKeepsClearOfTheCardsTexts)
{
    const Outcome run = RunRender({"--text", "Happy Birthday", "-o", Arg(Path("text.orvantis"))});
    ASSERT_EQ(run.status, 0) << run.errors.toStdString();
    std::ifstream in(Path("text.orvantis"), std::ios::binary);
    CardRecord record;
    std::string why;
    ASSERT_TRUE(ReadCardDocument({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, record, why))
        << why;
    ASSERT_FALSE(record.elements.empty());
    const CardElementRecord& added = record.elements.back();
    ASSERT_EQ(added.text, u"Happy Birthday");
    int templateTexts = 0;
    for (const CardElementRecord& text : record.elements)
        if (text.kind == ELEMENT_TEMPLATE_TEXT) {
            ++templateTexts;
            const bool apart = added.pos.y + added.size.cy <= text.pos.y || text.pos.y + text.size.cy <= added.pos.y ||
                               added.pos.x + added.size.cx <= text.pos.x || text.pos.x + text.size.cx <= added.pos.x;
            EXPECT_TRUE(apart) << "the text lies across the template's text at " << text.pos.x << "," << text.pos.y;
        }
    EXPECT_GT(templateTexts, 0);
}

TEST_F(RenderOutput, BadRowsAreToldWhileTheOthersRender)
{
    const auto photo = WritePhoto(m_folder, "p q.jpg", 640, 480);
    const std::filesystem::path cards = WriteCards("\"p q.jpg\",\"Hello, \"\"all\"\"\",one.png\n"
                                                   "missing.jpg,x,two.png\n"
                                                   "\"p q.jpg\",,three.jpg\n"
                                                   "\"p q.jpg\",x,../escape.jpg\n");
    const Outcome run = RunRender({"--batch", Arg(cards), "--out",
                               QString::fromStdString(Path("out").string()), "-j", "2"});
    EXPECT_EQ(run.status, 1);
    const std::string errors = run.errors.toStdString();
    EXPECT_NE(errors.find("row 2 (line 3): cannot read photo '" + Path("missing.jpg").string() +
                          "': No such file or directory"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("row 4 (line 5): the output name '../escape.jpg' is not a plain file name"),
              std::string::npos)
        << errors;
    // Failed rows are not counted as done; the summary names them; Qt's
    // notices about the environment stay out of the log.
    EXPECT_NE(errors.find("] 2/4, 2 failed"), std::string::npos) << errors;
    const std::string summary = errors.substr(errors.rfind("orvantis-render: 2 of 4 cards written, 2 failed:"));
    EXPECT_NE(summary.find("row 2 (line 3)"), std::string::npos) << errors;
    EXPECT_NE(summary.find("row 4 (line 5)"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("QStandardPaths"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(Path("out/two.png")));
    EXPECT_FALSE(std::filesystem::exists(Path("escape.jpg")));

    // A row's card is the card the command line makes of the same photo and text.
    const Outcome one = RunRender({"--photo", QString::fromStdString(photo.string()), "--text",
                               QStringLiteral("Hello, \"all\""), "-o", QString::fromStdString(Path("one.png").string())});
    ASSERT_EQ(one.status, 0) << one.errors.toStdString();
    EXPECT_TRUE(Bytes(Path("out/one.png")) == Bytes(Path("one.png")));
    const Outcome three = RunRender({"--photo", QString::fromStdString(photo.string()), "-o",
                                 QString::fromStdString(Path("three.jpg").string())});
    ASSERT_EQ(three.status, 0) << three.errors.toStdString();
    EXPECT_TRUE(Bytes(Path("out/three.jpg")) == Bytes(Path("three.jpg")));
}

// One template load serves card after card: each card is the one a freshly
// loaded template makes, whatever the cards before it did (photos in boxes
// and turned, fitted ones, placed and centred texts, a card that failed
// after its first photo was placed), and the same request twice gives the
// same file.
TEST_F(RenderOutput, CardsFromOneTemplateLoadAreThoseOfFreshLoads)
{
    const auto wide = WritePhoto(m_folder, "wide.jpg", 900, 700);
    const auto small = WritePhoto(m_folder, "small.jpg", 400, 300);
    const auto tall = WritePhoto(m_folder, "tall.jpg", 300, 500);
    auto card = [](std::vector<PhotoRequest> photos, std::vector<TextRequest> texts, const char* output) {
        return CardRequest{std::move(photos), std::move(texts), TextStyle{}, output, {}};
    };
    const std::vector<CardRequest> cards = {
        card({{wide, std::nullopt}}, {{"First", std::nullopt}}, "0.png"),
        card({{small, PhotoBox{150, 90, 500, 375, 17}}, {tall, std::nullopt}}, {{"Second", POINT{100, 200}}}, "1.jpg"),
        card({{wide, std::nullopt}, {Path("missing.jpg"), std::nullopt}}, {}, "2.png"),
        card({{tall, PhotoBox{-40, 30, 600, 400, -33}}}, {{"Third", std::nullopt}}, "3.bmp"),
        card({}, {}, "4.png"),
        card({{wide, std::nullopt}}, {{"First", std::nullopt}}, "5.png"),
    };
    std::filesystem::create_directories(Path("reused"));
    std::filesystem::create_directories(Path("fresh"));
    CardMaker reused{ORVANTIS_SKINS};
    for (CardRequest request : cards) {
        const std::filesystem::path name = request.output;
        std::string reusedError, freshError;
        request.output = Path("reused") / name;
        const bool reusedMade = reused.Render(request, reusedError);
        request.output = Path("fresh") / name;
        const bool freshMade = CardMaker{ORVANTIS_SKINS}.Render(request, freshError);
        EXPECT_EQ(reusedMade, freshMade) << name;
        EXPECT_EQ(reusedError, freshError) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("fresh/2.png")));
    const auto fresh = Files(Path("fresh"));
    EXPECT_EQ(fresh.size(), cards.size() - 1);
    EXPECT_TRUE(Files(Path("reused")) == fresh) << "a card differs from the one a fresh template load makes";
    EXPECT_TRUE(fresh.at("0.png") == fresh.at("5.png"));
}

// The rows of a batch split into shards: each shard renders, counts and
// answers for its own rows only, and together the shards make the cards of
// the whole batch, byte for byte and each once. One worker that renders
// every row makes each row's card as the command line makes it.
TEST_F(RenderOutput, ShardsTogetherMakeTheWholeBatch)
{
    const auto wide = WritePhoto(m_folder, "wide.jpg", 900, 700);
    const auto tall = WritePhoto(m_folder, "tall.jpg", 300, 500);
    // Row 3 fails; it belongs to shard 0 of 3.
    const QString csv = Arg(WriteCards("wide.jpg,Hello,c0.png\n"
                                       "tall.jpg,,c1.jpg\n"
                                       ",Only a text,c2.png\n"
                                       "missing.jpg,x,c3.png\n"
                                       "wide.jpg,Hello,c4.png\n"
                                       "tall.jpg,Bye,c5.bmp\n"
                                       "wide.jpg,,c6.jpg\n"));
    const Outcome whole = RunRender({"--batch", csv, "--out", Arg(Path("whole")), "-j", "1"});
    EXPECT_EQ(whole.status, 1);
    EXPECT_TRUE(whole.errors.contains("6 of 7 cards written, 1 failed: row 4 (line 5), in ")) << whole.errors.toStdString();
    const auto cards = Files(Path("whole"));
    ASSERT_EQ(cards.size(), 6u);

    const std::vector<std::pair<const char*, QStringList>> lines = {
        {"c0.png", {"--photo", Arg(wide), "--text", "Hello"}},
        {"c1.jpg", {"--photo", Arg(tall)}},
        {"c2.png", {"--text", "Only a text"}},
        {"c5.bmp", {"--photo", Arg(tall), "--text", "Bye"}},
    };
    for (const auto& [name, line] : lines) {
        const Outcome one = RunRender(line + QStringList{"-o", Arg(Path(name))});
        ASSERT_EQ(one.status, 0) << one.errors.toStdString();
        EXPECT_TRUE(cards.at(name) == Bytes(Path(name))) << name << " differs from the command line's card";
    }
    EXPECT_TRUE(cards.at("c4.png") == cards.at("c0.png"));

    std::map<std::string, std::string> together;
    const int rows[] = {3, 2, 2};
    for (int k = 0; k < 3; ++k) {
        const std::filesystem::path out = Path(("shard" + std::to_string(k)).c_str());
        const Outcome shard = RunRender({"--batch", csv, "--out", Arg(out), "-j", "2", "--shard", QString("%1/3").arg(k)});
        EXPECT_EQ(shard.status, k == 0 ? 1 : 0) << k << ": " << shard.errors.toStdString();
        EXPECT_EQ(shard.errors.contains("row 4 (line 5)"), k == 0) << shard.errors.toStdString();
        EXPECT_TRUE(shard.errors.contains(QString("%1 of %2 cards written").arg(rows[k] - (k == 0)).arg(rows[k])))
            << shard.errors.toStdString();
        for (auto& [name, bytes] : Files(out))
            EXPECT_TRUE(together.emplace(name, std::move(bytes)).second) << name << " made by two shards";
    }
    EXPECT_TRUE(together == cards) << "the shards' cards are not those of the whole batch";
}

// Photos as phones and web pages write them render like any other: a
// lossless WebP gives the card its PNG twin gives, byte for byte; a HEIC
// renders; a file too short for its picture is refused in words.
TEST_F(RenderOutput, WebpAndHeicPhotosRender)
{
    const std::filesystem::path jpeg = WritePhoto(m_folder, "photo.jpg", 500, 400);
    const std::string convert = "convert '" + jpeg.string() + "' ";
    ASSERT_EQ(std::system((convert + "'" + Path("photo.png").string() + "'").c_str()), 0);
    ASSERT_EQ(std::system((convert + "-define webp:lossless=true '" + Path("photo.webp").string() + "'").c_str()), 0);
    ASSERT_EQ(std::system((convert + "-quality 80 '" + Path("photo.heic").string() + "'").c_str()), 0);
    for (const char* name : {"photo.png", "photo.webp", "photo.heic"}) {
        const Outcome run = RunRender({"--photo", QString::fromStdString(Path(name).string()), "-o",
                                       QString::fromStdString(Path(name).string() + ".card.png")});
        EXPECT_EQ(run.status, 0) << name << ": " << run.errors.toStdString();
    }
    EXPECT_TRUE(Bytes(Path("photo.png.card.png")) == Bytes(Path("photo.webp.card.png")));
    EXPECT_TRUE(std::filesystem::exists(Path("photo.heic.card.png")));

    std::ofstream(Path("cut.png"), std::ios::binary) << Bytes(Path("photo.png")).substr(0, 100);
    const Outcome cut = RunRender({"--photo", QString::fromStdString(Path("cut.png").string()), "-o",
                                   QString::fromStdString(Path("cut.card.png").string())});
    EXPECT_EQ(cut.status, 1);
    EXPECT_FALSE(cut.errors.contains("Unknown or wrong format")) << cut.errors.toStdString();
}

TEST_F(RenderOutput, WrongLineExitsTwoWithUsageAndHelpPrintsIt)
{
    const Outcome wrong = RunRender({"--photo", "a.jpg", "-o", "card.gif"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.errors.contains("-o needs a file name ending in"));
    EXPECT_TRUE(wrong.errors.contains("Usage:"));
    const Outcome help = RunRender({"--help"});
    EXPECT_EQ(help.status, 0);
    const Outcome unreadable = RunRender({"--photo", QString::fromStdString(Path("none.jpg").string()), "-o",
                                      QString::fromStdString(Path("x.png").string())});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_TRUE(unreadable.errors.contains("orvantis-render: cannot read photo '")) << unreadable.errors.toStdString();
    EXPECT_FALSE(std::filesystem::exists(Path("x.png")));
}

}  // namespace
