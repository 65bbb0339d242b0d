#include "app/PictureTemplate.h"

#include "app/PhotoFile.h"
#include "model/FrameTemplate.h"
#include "model/WorkArea.h"

std::unique_ptr<WorkArea> OpenPictureTemplate(const std::filesystem::path& picture, std::string& why)
{
    PxImage frame;
    std::string reason;
    std::unique_ptr<WorkArea> made;
    if (OpenPhoto(picture, frame, reason))
        made = TemplateFromPicture(frame, reason);
    if (!made)
        why = picture.filename().string() + " cannot become a template: " + reason + ".";
    return made;
}
