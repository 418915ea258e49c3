// The names of the eight record kinds: the captions the user reads (the objects
// tree's groups, the map's legend; UTF-8) and the keys of the command line and the
// JSON form.
#pragma once

#include <optional>
#include <string_view>

#include "mob/records.h"

namespace kelvarin {

inline const char* ObjKindCaption(ObjKind kind) {
  static constexpr const char* kCaptions[] = {"Юниты",           "Объекты",         "Рычаги",
                                              "Ловушки",         "Флеймы",          "Партиклы 1 типа",
                                              "Партиклы 2 типа", "Партиклы 3 типа"};
  return kCaptions[int(kind)];
}

inline const char* ObjKindKey(ObjKind kind) {
  static constexpr const char* kKeys[] = {"units",  "objects",    "levers",     "traps",
                                          "flames", "particles1", "particles2", "particles3"};
  return kKeys[int(kind)];
}

inline std::optional<ObjKind> ObjKindFromKey(std::string_view key) {
  for (ObjKind kind : kAllObjKinds)
    if (key == ObjKindKey(kind)) return kind;
  return std::nullopt;
}

}  // namespace kelvarin
