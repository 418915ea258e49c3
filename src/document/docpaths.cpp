#include "document/docpaths.h"

namespace kelvarin {
namespace {

std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

bool HasExtension(std::string_view path) {
  return path.substr(NameStart(path)).find('.') != std::string_view::npos;
}

std::string WithMobExtension(std::string path) {
  if (!HasExtension(path)) path += ".mob";
  return path;
}

std::string FileNameOf(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

}  // namespace kelvarin
