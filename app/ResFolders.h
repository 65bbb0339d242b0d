// Where the program's resources and templates live. From the build tree the
// program's own res/ folder is writable and holds everything. Installed (for
// example under /usr) it is read-only: imported and saved templates then go
// to the user's data folder, and template listings read both.
#pragma once

#include <filesystem>
#include <vector>

// GetAppDir()/res.
std::filesystem::path InstalledResFolder();
// $XDG_DATA_HOME/orvantis/res, by default ~/.local/share/orvantis/res; empty
// when neither XDG_DATA_HOME nor HOME is set.
std::filesystem::path UserResFolder();
// True when a file can be created in folder (the folder itself may be missing
// and creatable).
bool IsWritableFolder(const std::filesystem::path& folder);
// The res folder that imports and saved templates go to: the installed one
// when writable, else the user's.
std::filesystem::path WritableResFolder();
// WritableResFolder()/template: where the user's own templates are made;
// empty when there is no such folder.
std::filesystem::path WritableTemplateRoot();
// The res/template folders to list, installed first, then the user's when it
// is a different folder; folders that do not exist are left out.
std::vector<std::filesystem::path> TemplateRoots();
