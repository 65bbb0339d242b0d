#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include <QPrinter>

#include "app/LumivexDoc.h"
#include "bars/CardPrint.h"
#include "tests/app/TemplateFolder.h"

namespace {

using testtemplates::TemplateFolder;

TEST(CardPrint, PrintsOnePageAtTheTemplatesResolutionIntoAPdf)
{
    TemplateFolder folder(600, 400, {150, 100, 450, 300});
    CLumivexDoc document(folder.Path());
    EXPECT_EQ(CardPrintResolution(document), 300);  // the frame says 96: a screen resolution

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 600, 400, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP card = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(card, nullptr);
    std::fill(card->pixels.begin(), card->pixels.end(), 0x40);

    const std::filesystem::path pdf = folder.Path() / "card.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    EXPECT_TRUE(PrintCardBitmap(printer, *card, 300));
    DeleteObject(card);

    std::ifstream file(pdf, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(content.empty());
    const std::regex page(R"(/Type\s*/Page[^s])");
    EXPECT_EQ(std::distance(std::sregex_iterator(content.begin(), content.end(), page), std::sregex_iterator()), 1);
    // The 2 x 1.33 inch card is drawn as an image 600 x 400 pixels large.
    EXPECT_NE(content.find("/Width 600"), std::string::npos);
    EXPECT_NE(content.find("/Height 400"), std::string::npos);
}

}  // namespace
