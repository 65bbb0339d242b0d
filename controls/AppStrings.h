// The program's fixed texts that more than one window shows: the string
// resources of the about box and the Help menu, by their resource ids.
#pragma once

// 61205: the product website (Help menu, about box).
inline constexpr char kStrProductWebsite[] = "https://www.orvantis.example/";
// 61206: the support address line of the about box.
inline constexpr char kStrSupportEmail[] = "Email : support@orvantis.example";
// 61210: where more templates can be downloaded (Help menu).
inline constexpr char kStrTemplateDownloads[] = "https://www.orvantis.example/templates/";
// 61211: the version line when the program's version block cannot be read.
inline constexpr char kStrFallbackVersion[] = "1.0.1";
