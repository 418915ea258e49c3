#include "buildroundtrip.h"

#include "cli/jsondoc.h"
#include "mob/tmob.h"

namespace kelvarin {

std::string BuildRoundTripFault(std::string_view text) {
  Json json;
  std::string error;
  TMob built;
  if (!ParseJson(text, json, error) || !JsonToMob(json, built, error)) return {};
  Bytes image;
  if (!built.BuildImage(image)) return {};  // larger than the format allows

  TMob loaded;
  if (!loaded.LoadImage(image.data(), image.size())) return "the built image does not load:\n" + loaded.LogText;
  Json again;
  if (!ParseJson(MobToJson(loaded).dump(), again, error)) return "the JSON of the image does not parse: " + error;
  TMob rebuilt;
  if (!JsonToMob(again, rebuilt, error)) return "the JSON of the image is refused: " + error;
  Bytes second;
  if (!rebuilt.BuildImage(second)) return "the JSON of the image does not build";
  if (second != image) return "the JSON of the image builds different bytes";
  return {};
}

}  // namespace kelvarin
