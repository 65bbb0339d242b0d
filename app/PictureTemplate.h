// A picture file with transparent windows opened as a template: how New
// Template from Picture, a Shift-drop and the command line read one.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

class WorkArea;

// The template the picture makes (see TemplateFromPicture), read as a photo
// is (turned upright, in sRGB). Null with the whole sentence to show in why
// when the file cannot be read or cannot make a template.
std::unique_ptr<WorkArea> OpenPictureTemplate(const std::filesystem::path& picture, std::string& why);
