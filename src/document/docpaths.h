// Names the document commands derive from a document's path. Paths are UTF-8;
// "/" is the separator.
#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// Whether the file name (not the folders) has an extension: a "." in it.
bool HasExtension(std::string_view path);
// The path with ".mob" appended when it has no extension.
std::string WithMobExtension(std::string path);
// The file name without its folder.
std::string FileNameOf(std::string_view path);
// The folder with its trailing separator; empty when the path has none.
std::string FolderOf(std::string_view path);

}  // namespace kelvarin
