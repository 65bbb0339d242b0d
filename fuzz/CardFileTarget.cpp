// fuzz_card_file: the input is a card file. It is read as the program opens
// one (the container's checks, the description, every entry), the card is
// built (the template's frame, every photo decoded as the program decodes
// photos, the texts), drawn small as the card's preview, and recorded again
// as for a save.
//
// As the template target does, the harness keeps each input cheap with
// smaller pictures and fonts than the program allows (fuzz/QtHarness.h).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/PhotoFile.h"
#include "fuzz/MemoryBound.h"
#include "fuzz/QtHarness.h"
#include "model/CardDocument.h"
#include "model/CardRender.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzsupport::StartQtHarness(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzsupport::InputMemoryBound memoryBound;
    CardRecord record;
    BuiltCard built;
    std::string why;
    if (!ReadCardDocument(std::vector<std::uint8_t>(data, data + size), record, why) ||
        !BuildCard(record, DecodePhoto, built, why))
        return 0;
    WorkArea card;
    card.Restore(std::move(built.elements), built.frame, built.selected);
    DeleteObject(RenderCardPreview(card, 64));
    CardRecord again;
    RecordCard(card, record.client, record.templateFolder, EncodeLosslessly, again, why);
    return 0;
}
