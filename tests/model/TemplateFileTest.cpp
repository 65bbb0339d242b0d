#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>

#include "image/ImageSize.h"
#include "image/PxFile.h"
#include "model/TemplateSave.h"
#include "model/WorkArea.h"
#include "tests/model/CardFixtures.h"

// Out-of-memory at a chosen allocation: the next zeroed allocation (the
// pixels of a canvas) of exactly g_failAllocationOf bytes fails. The
// sanitizers bring their own allocator, so the tests that need this are
// skipped under them.
#if defined(__SANITIZE_ADDRESS__)
#define ORVANTIS_ALLOCATION_FAILURES 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANTIS_ALLOCATION_FAILURES 0
#endif
#endif
#ifndef ORVANTIS_ALLOCATION_FAILURES
#define ORVANTIS_ALLOCATION_FAILURES 1

namespace {
std::size_t g_failAllocationOf = 0;
}

extern "C" void* __libc_calloc(std::size_t count, std::size_t size);

extern "C" void* calloc(std::size_t count, std::size_t size)
{
    if (size == 1 && count != 0 && count == g_failAllocationOf) {
        g_failAllocationOf = 0;
        return nullptr;
    }
    return __libc_calloc(count, size);
}
#endif

namespace {

using namespace cardfixtures;
namespace fs = std::filesystem;

struct Folder {
    fs::path path;
    explicit Folder(const std::string& name)
        : path(fs::temp_directory_path() / ("orvantis-" + name + "-" + std::to_string(::getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
};

// Little-endian record bytes, built by hand.
struct Bytes {
    std::string data;
    Bytes& Raw(std::string_view text)
    {
        data += text;
        return *this;
    }
    Bytes& U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data.push_back(char(v >> (8 * i)));
        return *this;
    }
    Bytes& Text(LONG x, LONG y, std::u16string_view text, std::uint32_t declaredUnits)
    {
        Raw("TXT").U32(std::uint32_t(x)).U32(std::uint32_t(y)).U32(0).U32(0);
        const LOGFONTW font = LogFont(u"Arial", -16);
        data.append(reinterpret_cast<const char*>(&font), sizeof font);  // little-endian machine
        U32(RGB(1, 2, 3)).U32(declaredUnits);
        for (char16_t unit : text)
            data.push_back(char(unit & 0xFF)), data.push_back(char(unit >> 8));
        return *this;
    }
    // An image record holding the picture as JPEG.
    Bytes& Image(PxImage picture)
    {
        std::uint8_t* stream = nullptr;
        std::int32_t length = 0;
        EXPECT_TRUE(picture.Encode(stream, length, FormatJpg));
        U32(std::uint32_t(length)).data.append(reinterpret_cast<const char*>(stream), std::size_t(length));
        std::free(stream);
        return *this;
    }
    void WriteTo(const fs::path& path) const { std::ofstream(path, std::ios::binary) << data; }
};

// Seeks like a file but cannot tell its size, as a pipe cannot.
struct UnsizedStream : PxMemFile {
    explicit UnsizedStream(std::string& bytes)
        : PxMemFile(reinterpret_cast<std::uint8_t*>(bytes.data()), std::int32_t(bytes.size()))
    {
    }
    std::int32_t Size() override { return -1; }
};

std::vector<std::u16string> Texts(const WorkArea::ElementList& list)
{
    std::vector<std::u16string> texts;
    for (const auto& e : list)
        if (auto* t = dynamic_cast<TextEx*>(e.get()))
            texts.push_back(t->GetText());
    return texts;
}

TEST(TemplateFile, TextRecordsAndTheThreeByteWalk)
{
    Folder folder("walk");
    const fs::path file = folder.path / "this.tpl";
    std::u16string longText(600, u'x');
    longText[100] = u'y';
    Bytes().Raw("abc").Text(5, 6, u"", 0).Text(-7, 8, longText, 600).Text(1, 1, std::u16string_view(u"ok\0hidden", 9), 9).WriteTo(file);
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 3u);
    const auto texts = Texts(list);
    EXPECT_EQ(texts[0], u"");
    EXPECT_EQ(texts[1], longText.substr(0, 511));  // the rest is skipped, the next record still read
    EXPECT_EQ(texts[2], u"ok");                    // the text ends at its first zero unit
    EXPECT_EQ(list[1]->m_nKind, ELEMENT_TEMPLATE_TEXT);
    EXPECT_EQ(list[1]->GetPos().x, -7);
    EXPECT_EQ(static_cast<TextEx&>(*list[1]).GetColor(), RGB(1, 2, 3));

    list.clear();
    Bytes().Raw("ab").Text(0, 0, u"lost", 4).WriteTo(file);  // out of step from the start
    WorkArea::ReadTemplateFile(list, file);
    EXPECT_TRUE(list.empty());
}

TEST(TemplateFile, CutRecordsYieldNothing)
{
    Folder folder("cut");
    const fs::path file = folder.path / "this.tpl";
    Bytes whole;
    whole.Text(0, 0, u"first", 5).Text(0, 0, u"second", 6);
    for (std::size_t cut = whole.data.size() / 2 + 1; cut < whole.data.size(); cut += 7) {
        std::ofstream(file, std::ios::binary) << whole.data.substr(0, cut);
        WorkArea::ElementList list;
        WorkArea::ReadTemplateFile(list, file);
        EXPECT_EQ(Texts(list), std::vector<std::u16string>{u"first"}) << "cut at " << cut;
    }
    Bytes().Raw("FRM").U32(0).U32(0).U32(10).U32(10).U32(0x7FFFFFF0).WriteTo(file);  // a huge image record
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    EXPECT_TRUE(list.empty());
}

TEST(TemplateFile, FrameWithTwoEmptyImageRecords)
{
    Folder folder("empty-frame");
    Bytes().Raw("FRM").U32(3).U32(4).U32(600).U32(400).U32(0).U32(0).WriteTo(folder.path / "this.tpl");
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, folder.path / "this.tpl");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(list[0]->GetSize().cx, 0);
    EXPECT_EQ(list[0]->GetSize().cy, 0);

    // Below the decoders' ceiling that a fuzzing harness sets, the same
    // stored size is more than a working picture may be.
    pximage::SetDecodePixelLimit(600 * 400 - 1);
    WorkArea::ElementList refused;
    WorkArea::ReadTemplateFile(refused, folder.path / "this.tpl");
    pximage::SetDecodePixelLimit(pximage::kMaxDecodedPixels);
    EXPECT_TRUE(refused.empty());
}

TEST(TemplateFile, ZeroSizedAndRefusedFramesKeepTheWalkGoing)
{
    Folder folder("frame-sizes");
    const fs::path file = folder.path / "this.tpl";
    const PxImage picture = testimages::Random(8, 6, 24, false, 3);
    Bytes records;
    records.Raw("FRM").U32(1).U32(2).U32(0).U32(0).Image(picture).U32(0);  // stored as 0 x 0
    records.Raw("FRM").U32(0).U32(0).U32(5000).U32(5000).Image(picture).U32(0);  // absurd for 8 x 6: refused
    records.Text(3, 4, u"after", 5).WriteTo(file);
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 2u);
    auto& frame = dynamic_cast<ImageEx&>(*list[0]);
    EXPECT_EQ(frame.m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_TRUE(frame.m_imgSrc.IsValid());
    EXPECT_FALSE(frame.WorkPicture().IsValid());  // the resampler refuses 0 x 0
    EXPECT_EQ(frame.GetSize(), (SIZE{0, 0}));
    EXPECT_EQ(frame.GetPos().y, 2);
    EXPECT_EQ(Texts(list), std::vector<std::u16string>{u"after"});
}

TEST(TemplateFile, LongTextIsSkippedWholeOnAStreamOfUnknownSize)
{
    // A text declaring 2^31 units beyond the 511 kept, on a stream that
    // cannot say how much it holds: the skip runs far past the end, so the
    // record found right after the kept units lies inside the text.
    const std::u16string kept(511, u'k');
    Bytes bytes;
    bytes.Text(0, 0, kept, 511 + 0x80000000u).Text(9, 9, u"inside the text", 15);
    UnsizedStream stream(bytes.data);
    WorkArea::ElementList list;
    WorkArea::ReadTemplateRecords(list, stream);
    EXPECT_EQ(Texts(list), std::vector<std::u16string>{kept});
}

TEST(TemplateFile, RoundTripOfFramesMasksAndTexts)
{
    Folder folder("round-trip");
    auto frame = Frame(64, 48, {16, 12, 48, 36});
    frame->m_ptPos = {0, 0};
    auto greeting = Text(u"Grüße · 日本語 · Ελληνικά", {10, 5}, ELEMENT_TEMPLATE_TEXT);
    auto photo = Photo(20, 10, {2, 3});  // written as a frame record when listed
    const fs::path file = folder.path / "this.tpl";
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get(), greeting.get(), photo.get()}, file));

    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 3u);
    auto& readFrame = dynamic_cast<ImageEx&>(*list[0]);
    EXPECT_EQ(readFrame.GetSize().cx, 64);
    ASSERT_EQ(readFrame.m_imgMaskSrc.GetBpp(), 24);
    EXPECT_LT(readFrame.m_imgMaskSrc.GetPixelColor(32, 24, false).rgbBlue, 20);   // the window
    EXPECT_GT(readFrame.m_imgMaskSrc.GetPixelColor(2, 2, false).rgbBlue, 235);    // the frame
    auto& readText = dynamic_cast<TextEx&>(*list[1]);
    EXPECT_EQ(readText.GetText(), greeting->GetText());
    EXPECT_EQ(readText.GetPos().x, 10);
    const LOGFONTW a = readText.GetLogFont(), b = greeting->GetLogFont();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(list[2]->m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(list[2]->GetSize().cx, 20);
}

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Texts' looks travel in a chunk after every record. Read back, the texts
// have their looks and stand where they stood; read as by a reader without
// looks (the chunk's tag unknown to it), they are the same texts, their
// lines where they stood, and nothing else comes of the chunk.
TEST(TemplateFile, LooksTravelInATrailingChunkThatTheThreeByteWalkPassesOver)
{
    Folder folder("looks");
    auto frame = Frame(64, 48, {16, 12, 48, 36});
    auto plain = Text(u"plain", {3, 4}, ELEMENT_TEMPLATE_TEXT);
    auto styled = Text(u"with love\nfrom us", {20, 30}, ELEMENT_TEMPLATE_TEXT);
    TextLook look;
    look.align = TextAlign::Centre;
    look.outline = {RGB(1, 2, 3), 2.5};
    look.shadow = {true, RGB(4, 5, 6), -3, 4.25, 6};
    styled->SetLook(look);
    const fs::path file = folder.path / "this.tpl";
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get(), plain.get(), styled.get()}, file));
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 3u);
    const auto& readPlain = dynamic_cast<TextEx&>(*list[1]);
    const auto& readStyled = dynamic_cast<TextEx&>(*list[2]);
    EXPECT_EQ(readPlain.GetLook(), TextLook{});
    EXPECT_EQ(readStyled.GetLook(), look);
    EXPECT_EQ(readStyled.GetText(), u"with love\nfrom us");
    EXPECT_EQ(readStyled.GetPos().x, styled->GetPos().x);
    EXPECT_EQ(readStyled.GetPos().y, styled->GetPos().y);
    EXPECT_EQ(readStyled.GetSize(), styled->GetSize());

    // The chunk ends the file: after its tag only bytes of 0x80 and above,
    // three at a time.
    const std::string bytes = FileBytes(file);
    const std::size_t tag = bytes.rfind("TXL");
    ASSERT_NE(tag, std::string::npos);
    EXPECT_EQ((bytes.size() - tag) % 3, 0u);
    EXPECT_TRUE(std::all_of(bytes.begin() + std::ptrdiff_t(tag) + 3, bytes.end(),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    std::string unknown = bytes;
    unknown.replace(tag, 3, "ZZZ");
    std::ofstream(file, std::ios::binary) << unknown;
    list.clear();
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 3u);
    const auto& older = dynamic_cast<TextEx&>(*list[2]);
    EXPECT_EQ(older.GetText(), u"with love\nfrom us");
    EXPECT_EQ(older.GetLook(), TextLook{});
    EXPECT_EQ(older.GetPos().x, styled->GetLinesRect().left);
    EXPECT_EQ(older.GetPos().y, styled->GetLinesRect().top);

    // Without looks there is no chunk: the file is as it always was.
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get(), plain.get()}, file));
    EXPECT_EQ(FileBytes(file).find("TXL"), std::string::npos);
}

// A damaged chunk of looks changes nothing: cut anywhere or with a byte
// out of form, the texts are read, plain, and the walk goes on.
TEST(TemplateFile, DamagedLooksChangeNothing)
{
    Folder folder("damaged-looks");
    auto styled = Text(u"styled", {20, 30}, ELEMENT_TEMPLATE_TEXT);
    TextLook look;
    look.outline = {RGB(1, 2, 3), 1e9};  // written as the largest width a text takes
    styled->SetLook(look);
    const fs::path file = folder.path / "this.tpl";
    ASSERT_TRUE(WorkArea::WriteTemplateFile({styled.get()}, file));
    const std::string bytes = FileBytes(file);
    const std::size_t tag = bytes.rfind("TXL");
    ASSERT_NE(tag, std::string::npos);
    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(dynamic_cast<TextEx&>(*list[0]).GetLook().outline.width, kMaxOutlineWidth);

    for (std::size_t cut = tag + 3; cut + 2 < bytes.size(); cut += 5) {  // the padding is at most 2
        std::string damaged = bytes.substr(0, cut);
        std::ofstream(file, std::ios::binary) << damaged;
        list.clear();
        WorkArea::ReadTemplateFile(list, file);
        ASSERT_EQ(list.size(), 1u) << cut;
        EXPECT_EQ(dynamic_cast<TextEx&>(*list[0]).GetLook(), TextLook{}) << cut;
    }
    // A byte below 0x80 inside the chunk, forming a record tag for the walk.
    std::string forged = bytes;
    forged.replace(tag + 3 + 9, 3, "TXT");
    std::ofstream(file, std::ios::binary) << forged;
    list.clear();
    WorkArea::ReadTemplateFile(list, file);
    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ(dynamic_cast<TextEx&>(*list[0]).GetLook(), TextLook{});
}

TEST(TemplateFile, WriteFailureKeepsTheOldFile)
{
    Folder folder("keep");
    const fs::path file = folder.path / "this.tpl";
    std::ofstream(file) << "old";
    auto frame = Frame(8, 8, {2, 2, 6, 6});
    EXPECT_FALSE(WorkArea::WriteTemplateFile({frame.get()}, folder.path / "missing" / "this.tpl"));
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST(WorkAreaTemplates, LayeringAndReplacement)
{
    Folder first("first"), second("second");
    auto frame = Frame(60, 40, {10, 10, 50, 30});
    auto t1 = Text(u"T1", {1, 1}, ELEMENT_TEMPLATE_TEXT), t2 = Text(u"T2", {2, 2}, ELEMENT_TEMPLATE_TEXT);
    ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get(), t1.get(), t2.get()}, first.path / "this.tpl"));
    auto other = Frame(30, 20, {5, 5, 25, 15}, 7);
    auto t3 = Text(u"T3", {3, 3}, ELEMENT_TEMPLATE_TEXT);
    ASSERT_TRUE(WorkArea::WriteTemplateFile({other.get(), t3.get(), frame.get()}, second.path / "this.tpl"));

    WorkArea card;
    card.AddElement(Photo(10, 10, {0, 0}));
    ElementBase* photo = card.GetSelected();
    card.AddElement(Text(u"mine", {4, 4}));
    ElementBase* mine = card.GetSelected();
    ASSERT_TRUE(card.LoadTemplate(first.path));
    const auto& list = card.GetElements();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].get(), card.GetFrame());
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"T2", u"T1", u"mine"}));
    EXPECT_EQ(list[3].get(), photo);
    EXPECT_EQ(card.GetSelected(), mine);

    card.SetSelected(list[1].get());  // a template text: cleared with it
    ASSERT_TRUE(card.LoadTemplate(second.path));
    ASSERT_EQ(list.size(), 4u);  // the second frame of the file is dropped
    EXPECT_EQ(card.GetFrameSize().cx, 30);
    EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"T3", u"mine"}));
    EXPECT_EQ(list[2].get(), photo);
    EXPECT_EQ(card.GetSelected(), nullptr);

    Folder textsOnly("texts-only");
    ASSERT_TRUE(WorkArea::WriteTemplateFile({t1.get()}, textsOnly.path / "this.tpl"));
    EXPECT_FALSE(card.LoadTemplate(textsOnly.path));  // no frame: the card stays
    EXPECT_FALSE(card.LoadTemplate(textsOnly.path / "nowhere"));
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(card.GetFrameSize().cx, 30);
}

TEST(SaveTemplate, WritesRecordsAndPreview)
{
    Folder folder("save");
    WorkArea card;
    ASSERT_TRUE(WorkArea::WriteTemplateFile({Frame(60, 40, {10, 10, 50, 30}).get()}, folder.path / "this.tpl"));
    ASSERT_TRUE(card.LoadTemplate(folder.path));
    card.AddElement(Photo(10, 10, {0, 0}));  // left out of the template
    card.AddElement(Text(u"hello", {5, 5}));
    ASSERT_TRUE(SaveTemplate(card, folder.path));

    WorkArea::ElementList list;
    WorkArea::ReadTemplateFile(list, folder.path / "this.tpl");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->m_nKind, ELEMENT_TEMPLATE_FRAME);
    EXPECT_EQ(Texts(list), std::vector<std::u16string>{u"hello"});

    PxImage thumb;
    ASSERT_TRUE(thumb.Load(folder.path / "thumb.jpg", FormatBmp));
    EXPECT_EQ(thumb.GetWidth(), 100u);
    EXPECT_EQ(thumb.GetHeight(), 70u);
    // Stored as BMP whatever the name says.
    std::ifstream in(folder.path / "thumb.jpg", std::ios::binary);
    EXPECT_EQ(in.get(), 'B');
    EXPECT_EQ(in.get(), 'M');

    WorkArea noFrame;
    noFrame.AddElement(Text(u"alone", {0, 0}));
    EXPECT_FALSE(SaveTemplate(noFrame, folder.path));
    list.clear();
    WorkArea::ReadTemplateFile(list, folder.path / "this.tpl");
    EXPECT_EQ(list.size(), 2u);  // untouched
}

TEST(SaveTemplate, NoCanvasForThePreviewLeavesBothFiles)
{
#if ORVANTIS_ALLOCATION_FAILURES
    Folder folder("no-canvas");
    ASSERT_TRUE(WorkArea::WriteTemplateFile({Frame(60, 40, {10, 10, 50, 30}).get()}, folder.path / "this.tpl"));
    std::ofstream(folder.path / "thumb.jpg") << "old preview";
    WorkArea card;
    ASSERT_TRUE(card.LoadTemplate(folder.path));
    card.AddElement(Text(u"new text", {5, 5}));
    auto contents = [&](const char* name) {
        std::ifstream in(folder.path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string records = contents("this.tpl");

    g_failAllocationOf = 300 * 70;  // the pixels of the 100 x 70 canvas, 24 bits
    EXPECT_FALSE(SaveTemplate(card, folder.path));
    EXPECT_EQ(g_failAllocationOf, 0u) << "the canvas was never made";
    g_failAllocationOf = 0;
    EXPECT_EQ(contents("this.tpl"), records);
    EXPECT_EQ(contents("thumb.jpg"), "old preview");
#else
    GTEST_SKIP() << "allocation failures are not injected under the sanitizers";
#endif
}

TEST(SaveTemplate, PreviewCoordinates)
{
    const RECT box = ScaleToPreview({300, 200}, {150, 40}, 100.0f / 600.0f, 70.0f / 400.0f);
    EXPECT_EQ(box.left, 50);
    EXPECT_EQ(box.top, 35);
    EXPECT_EQ(box.right - box.left, 25);
    EXPECT_EQ(box.bottom - box.top, 7);

    // The factor is a float (100 / 104: 0.961538434), the product double:
    // 13 x sx + 0.5 = 12.9999996, where a float product gives 13.
    const RECT edge = ScaleToPreview({13, 13}, {13, 13}, 100.0f / 104.0f, 100.0f / 104.0f);
    EXPECT_EQ(edge.left, 12);
    EXPECT_EQ(edge.top, 12);
    EXPECT_EQ(edge.right - edge.left, 12);
    EXPECT_EQ(edge.bottom - edge.top, 12);
}

}  // namespace

namespace {

// tests/data/template was written by tools/make_template: a 320 x 240 frame
// with a rounded window (40, 30)-(280, 190) and two bold Times texts.
TEST(TemplateFile, ReadsTheProgramsOwnTemplate)
{
    const fs::path folder = fs::path(ORVANTIS_TEST_DATA) / "template";
    WorkArea card;
    ASSERT_TRUE(card.LoadTemplate(folder));
    const auto& list = card.GetElements();
    ASSERT_EQ(list.size(), 3u);
    auto& frame = dynamic_cast<ImageEx&>(*list[0]);
    EXPECT_EQ(card.GetFrame(), &frame);
    EXPECT_EQ(frame.GetPos().x, 0);
    EXPECT_EQ(frame.GetSize(), (SIZE{320, 240}));
    EXPECT_EQ(card.GetCardImageSize(), (SIZE{320, 240}));
    EXPECT_TRUE(frame.IsTransparentAt({160, 110}));   // the window
    EXPECT_FALSE(frame.IsTransparentAt({10, 10}));    // the border
    EXPECT_FALSE(frame.IsTransparentAt({41, 31}));    // the rounded corner is still frame

    // Loading puts the file's texts in reverse order above the frame.
    auto& first = dynamic_cast<TextEx&>(*list[2]);
    auto& second = dynamic_cast<TextEx&>(*list[1]);
    EXPECT_EQ(first.GetText(), u"Greetings");
    EXPECT_EQ(first.GetPos().x, 96);
    EXPECT_EQ(first.GetPos().y, 196);
    EXPECT_EQ(first.GetColor(), RGB(120, 20, 40));
    EXPECT_EQ(first.GetLogFont().lfHeight, -28);
    EXPECT_EQ(first.GetLogFont().lfWeight, 700);
    EXPECT_EQ(std::u16string(first.GetLogFont().lfFaceName), u"Times New Roman");
    EXPECT_EQ(first.m_nKind, ELEMENT_TEMPLATE_TEXT);
    EXPECT_EQ(second.GetText(), u"from the seaside");
    EXPECT_EQ(second.GetPos().y, 8);

    PxImage thumb;
    ASSERT_TRUE(thumb.Load(folder / "thumb.jpg", FormatBmp));
    EXPECT_EQ(thumb.GetWidth(), 100u);
    EXPECT_EQ(thumb.GetHeight(), 70u);
    // The preview's window shows the white canvas.
    EXPECT_EQ(thumb.GetPixelColor(50, 35, false), (RGBQUAD{255, 255, 255, 0}));
}

}  // namespace
