// Cards built and saved as the program builds them: the template loaded
// into a document shown at 100%, photos placed and sunk below the frame as
// a click beside them does, texts added as the text bar makes them, and the
// full-resolution render saved by the program's own save step.
#pragma once

#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "image/PxImage.h"
#include "model/SourceFile.h"
#include "render/CardRequest.h"

class CLumivexDoc;

// One template, loaded once, for card after card: after each card the
// document's undo takes it back to the template as it was fitted, so each
// card's file is the one a freshly loaded document makes.
class CardMaker {
public:
    // An empty folder stands for the default card. Nothing is loaded yet.
    explicit CardMaker(std::filesystem::path templateFolder);
    ~CardMaker();

    // Needs a QGuiApplication (the texts' fonts). False with the reason in
    // error, which names the file at fault; an existing output file is then kept.
    bool Render(const CardRequest& card, std::string& error);

private:
    // A photo of a request, decoded, with the file it was read from.
    struct OpenedPhoto {
        PxImage picture;
        SharedSourceFile source;
    };
    // The request's photos in order up to the first that cannot be read,
    // which error names (empty when all were read).
    struct OpenedPhotos {
        std::vector<OpenedPhoto> photos;
        std::string error;
    };
    static OpenedPhotos OpenPhotos(const std::vector<PhotoRequest>& requests);

    bool Assemble(const CardRequest& request, std::future<OpenedPhotos>& photos, std::string& error);
    // A card that starts from a card file rather than the template.
    bool RenderCardFile(const CardRequest& request, std::string& error);
    // The request's photos and texts put on the card, which is then saved as
    // a picture, or as a card file when the name ends in .orvantis.
    static bool Finish(CLumivexDoc& document, const CardRequest& request, OpenedPhotos photos, std::string& error);

    std::filesystem::path m_folder;
    std::unique_ptr<CLumivexDoc> m_document;  // made by the first card
    std::unique_ptr<CLumivexDoc> m_cardDocument;  // made by the first card file
};
