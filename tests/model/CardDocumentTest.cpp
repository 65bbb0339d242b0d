// The card file's reader against what strangers may send: each damaged or
// hostile file is refused in words, within bounds, and never half read.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include <unistd.h>

#include "image/PxImage.h"
#include "model/CardDocument.h"
#include "model/ZipWriter.h"
#include "tests/model/CardFixtures.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::string name;
    std::string bytes;
    bool deflate = false;
};

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class CardReader : public testing::Test {
protected:
    void SetUp() override
    {
        const auto frame = cardfixtures::Frame(300, 200, {50, 40, 250, 160});
        ASSERT_TRUE(WorkArea::WriteTemplateFile({frame.get()}, m_scratch));
        m_template = Text(ReadAll(m_scratch));
        PxImage photo = testimages::Random(40, 30, 24, false, 5);
        std::uint8_t* data = nullptr;
        std::int32_t length = 0;
        ASSERT_TRUE(photo.Encode(data, length, FormatPng));
        m_photo.assign(reinterpret_cast<char*>(data), std::size_t(length));
        std::free(data);
    }
    void TearDown() override { fs::remove(m_scratch); }

    Bytes Zip(const std::vector<Entry>& entries)
    {
        ZipWriter zip(m_scratch);
        std::string why;
        for (const Entry& entry : entries)
            EXPECT_TRUE(zip.AddBytes(entry.name, entry.bytes.data(), entry.bytes.size(), entry.deflate, why)) << why;
        EXPECT_TRUE(zip.Commit(why)) << why;
        return ReadAll(m_scratch);
    }

    // A sound card with a photo, the frame and a text, its description
    // changed by edit.
    Bytes Card(std::string description)
    {
        return Zip({{"mimetype", kCardMediaType},
                    {"card.json", description, true},
                    {"Template/this.tpl", m_template},
                    {"Photos/photo-1.png", m_photo}});
    }

    static std::string Sound()
    {
        return R"({"format":"application/x-orvantis-card","version":[1,0],
                   "view":{"client":[300,200],"origin":[0,0]},"template":{"entry":"Template/this.tpl"},
                   "photos":[{"entry":"Photos/photo-1.png","name":"p.png"}],
                   "elements":[{"type":"photo","kind":0,"pos":[10,10],"size":[40,30],"photo":0},
                               {"type":"frame","kind":2,"pos":[0,0],"size":[300,200]},
                               {"type":"text","kind":0,"pos":[5,5],"size":[50,20],"colour":255,"text":"Hi",
                                "font":{"height":-20,"width":0,"face":"Arial"}}],
                   "selected":-1})";
    }

    static std::string Replaced(std::string text, const std::string& from, const std::string& to)
    {
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    }

    fs::path m_scratch = fs::temp_directory_path() / ("orvantis-cardreader-" + std::to_string(::getpid()));
    std::string m_template, m_photo;
};

bool DecodeAny(const SourceFile& file, PxImage& picture, std::string& why)
{
    const bool decoded = picture.Decode(file.bytes.data(), std::int32_t(file.bytes.size()), FormatUnknown);
    why = decoded ? "" : picture.GetLastError();
    return decoded;
}

TEST_F(CardReader, ASoundCardReadsAndBuildsAndUnknownFieldsAreIgnored)
{
    CardRecord record;
    std::string why;
    const std::string future = Replaced(Sound(), R"("selected":-1)", R"("selected":0,"sticker":{"x":1})");
    ASSERT_TRUE(ReadCardDocument(Card(Replaced(future, "[1,0]", "[1,7]")), record, why)) << why;
    ASSERT_EQ(record.elements.size(), 3u);
    EXPECT_EQ(record.elements[2].text, u"Hi");
    EXPECT_EQ(record.photos[0]->name, "p.png");
    BuiltCard built;
    ASSERT_TRUE(BuildCard(record, DecodeAny, built, why)) << why;
    EXPECT_EQ(built.frame, 1);
    EXPECT_EQ(built.selected, 0);
    EXPECT_EQ(built.elements[0]->GetSize(), (SIZE{40, 30}));
}

TEST_F(CardReader, DamagedAndHostileFilesAreRefusedInWords)
{
    const std::string sound = Sound();
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "[";
    std::string many = R"({"type":"text","kind":0,"pos":[0,0],"size":[1,1],"text":"","font":{"height":1,"width":1}},)";
    std::string million;
    for (int i = 0; i < 10001; ++i)
        million += many;
    const struct {
        const char* what;
        Bytes file;
        const char* said;
    } cases[] = {
        {"not a ZIP", {'h', 'e', 'l', 'l', 'o'}, "not a card file (not a ZIP container)"},
        {"another ZIP", Zip({{"card.json", sound}}), "its first entry is not 'mimetype'"},
        {"wrong type", Zip({{"mimetype", "application/zip"}, {"card.json", sound}}), "does not say"},
        {"deflated type", Zip({{"mimetype", kCardMediaType, true}}), "does not say"},
        {"not JSON", Card("{\"format\": NaN}"), "not a JSON object"},
        {"nested", Card(deep), "not a JSON object"},
        {"newer", Card(Replaced(sound, "[1,0]", "[2,0]")), "newer version of Orvantis (card format 2)"},
        {"huge number", Card(Replaced(sound, "[40,30]", "[1e308,30]")), "pair of whole numbers from 0 to 65536 as 'size'"},
        {"negative size", Card(Replaced(sound, "[40,30]", "[40,-30]")), "as 'size'"},
        {"wrong type of value", Card(Replaced(sound, "\"pos\":[10,10]", "\"pos\":\"here\"")), "no pair of whole numbers"},
        {"unknown photo", Card(Replaced(sound, "\"photo\":0", "\"photo\":3")), "places a photo the card does not hold"},
        {"missing photo", Card(Replaced(sound, "photo-1.png\"", "photo-2.png\"")), "names a photo"},
        {"two frames", Card(Replaced(sound, "\"kind\":0,\"pos\":[10", "\"kind\":2,\"pos\":[10")), "not of the template"},
        {"many elements", Card(Replaced(sound, "\"elements\":[", "\"elements\":[" + million)), "more than 10000"},
        {"long text", Card(Replaced(sound, "\"Hi\"", "\"" + std::string(70000, 'x') + "\"")), "more than 65536"},
        {"absurd outline", Card(Replaced(sound, "\"Hi\"", "\"Hi\",\"outline\":{\"colour\":0,\"width\":1e9}")),
         "outline's width is no number of pixels up to 256"},
        {"absurd shadow", Card(Replaced(sound, "\"Hi\"", "\"Hi\",\"shadow\":{\"dx\":3,\"dy\":\"far\"}")),
         "shadow's offset"},
        {"unknown placement", Card(Replaced(sound, "\"Hi\"", "\"Hi\",\"align\":\"justified\"")),
         "placed neither left, centre nor right"},
        {"twice", Zip({{"mimetype", kCardMediaType}, {"card.json", sound}, {"card.json", sound}}), "twice"},
        {"escape", Zip({{"mimetype", kCardMediaType}, {"../card.json", sound}}), "outside the card"},
        {"absolute", Zip({{"mimetype", kCardMediaType}, {"/etc/card.json", sound}}), "outside the card"},
        {"no description", Zip({{"mimetype", kCardMediaType}}), "lacks its entry card.json"},
    };
    for (const auto& c : cases) {
        CardRecord record;
        std::string why;
        EXPECT_FALSE(ReadCardDocument(c.file, record, why)) << c.what;
        EXPECT_NE(why.find(c.said), std::string::npos) << c.what << ": " << why;
        EXPECT_TRUE(record.elements.empty() && !record.templateFile) << c.what;
    }
}

// A text's lines, their placement, its outline and its shadow are read
// back as written; sizes somewhat beyond the largest are cut to it.
TEST_F(CardReader, TextsKeepTheirLinesPlacementOutlineAndShadow)
{
    const std::string looks = Replaced(
        Sound(), R"("text":"Hi")",
        R"("text":"Hi\nthere \ud83c\udf82","align":"right","outline":{"colour":255,"width":300},)"
        R"("shadow":{"colour":65280,"dx":-2.5,"dy":4,"blur":6})");
    CardRecord record;
    std::string why;
    ASSERT_TRUE(ReadCardDocument(Card(looks), record, why)) << why;
    const CardElementRecord& text = record.elements[2];
    EXPECT_EQ(text.text, u"Hi\nthere \U0001F382");
    TextLook expected;
    expected.align = TextAlign::Right;
    expected.outline = {255, kMaxOutlineWidth};
    expected.shadow = {true, 65280, -2.5, 4, 6};
    EXPECT_EQ(text.look, expected);

    // Written and read again: the same; a plain text's description has none of it.
    ASSERT_TRUE(WriteCardDocument(record, {}, m_scratch, why)) << why;
    CardRecord again;
    ASSERT_TRUE(ReadCardDocument(ReadAll(m_scratch), again, why)) << why;
    EXPECT_EQ(again.elements[2].look, expected);
    EXPECT_EQ(again.elements[2].text, text.text);
    record.elements[2].look = TextLook{};
    const std::string plain = DescribeCard(record, {"Template/this.tpl", "", {"Photos/photo-1.png"}});
    for (const char* key : {"\"align\"", "\"outline\"", "\"shadow\""})
        EXPECT_EQ(plain.find(key), std::string::npos) << key;
}

TEST_F(CardReader, BombsCutsAndGiantBoxesAreRefusedWithinBounds)
{
    Bytes file = Card(Sound());
    // The central directory's record of card.json made to claim 1 GiB.
    const std::string directory = std::string("PK\x01\x02", 4);
    std::size_t at = Text(file).find(directory);
    while (at != std::string::npos && Text(file).compare(at + 46, 9, "card.json") != 0)
        at = Text(file).find(directory, at + 1);
    ASSERT_NE(at, std::string::npos);
    Bytes bomb = file;
    const std::uint32_t claimed = 1u << 30;
    std::memcpy(bomb.data() + at + 24, &claimed, 4);
    CardRecord record;
    std::string why;
    EXPECT_FALSE(ReadCardDocument(bomb, record, why));
    EXPECT_NE(why.find("ZIP bomb"), std::string::npos) << why;

    // Cut at any byte: refused, never read in part.
    for (std::size_t size = 0; size < file.size(); size += 1 + size / 16) {
        EXPECT_FALSE(ReadCardDocument(Bytes(file.begin(), file.begin() + std::ptrdiff_t(size)), record, why)) << size;
        EXPECT_FALSE(why.empty());
    }

    // A box far larger than any card is refused before a picture is made of it.
    ASSERT_TRUE(ReadCardDocument(Card(Replaced(Sound(), "[40,30]", "[65536,65536]")), record, why)) << why;
    BuiltCard built;
    EXPECT_FALSE(BuildCard(record, DecodeAny, built, why));
    EXPECT_NE(why.find("far larger than the card"), std::string::npos) << why;
    // A photo that is no picture is named.
    ASSERT_TRUE(ReadCardDocument(Zip({{"mimetype", kCardMediaType}, {"card.json", Sound(), true},
                                      {"Template/this.tpl", m_template}, {"Photos/photo-1.png", "not a picture"}}),
                                 record, why)) << why;
    EXPECT_FALSE(BuildCard(record, DecodeAny, built, why));
    EXPECT_NE(why.find("the photo p.png inside the card cannot be read"), std::string::npos) << why;
}

}  // namespace
