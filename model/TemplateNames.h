// Names of template and category folders. What a user types (or a command
// line passes) becomes a single folder name that is safe on any file system
// the program writes to: one component, valid UTF-8, no separators, no
// control characters, no leading dot (so never "." or "..", and never one of
// the program's hidden working folders), bounded in length.
#pragma once

#include <string>
#include <string_view>

// At most this many characters (code points): 240 bytes of UTF-8 at most,
// below the 255-byte limit of a file name, and a package entry
// template/<category>/<name>/this.tpl stays far below the 260 units the
// importer accepts.
constexpr std::size_t kMaxTemplateNameChars = 60;

// The name made safe: bytes that are not UTF-8 and control characters
// dropped, "/" and "\" turned into "-", runs of white space into one space,
// leading dots and white space and trailing dots and white space trimmed,
// then cut to kMaxTemplateNameChars. Empty when nothing usable is left.
std::string SafeTemplateName(std::string_view typed);

// True when the name is already what SafeTemplateName makes of it, and not empty.
bool IsSafeTemplateName(std::string_view name);
