#include "buildroundtrip.h"

#include <cstdio>

#include "cli/jsondoc.h"
#include "mob/tmob.h"

namespace kelvarin {

namespace {

// The streamed read of `build` must answer as parsing the whole text and then
// reading the tree does: the same verdict, the same error text, the same zone.
std::string StreamedReadFault(std::string_view text, JsonReadResult expected,
                              const std::string& expectedError, TMob& built) {
  std::string copy(text);
  std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
  if (!in) return {};  // no stream over an empty text
  TMob streamed;
  std::string error;
  const JsonReadResult read = ReadMobJson(in, streamed, error);
  std::fclose(in);
  if (read != expected) return "the streamed read gives another verdict: " + error;
  if (read != JsonReadResult::Read) {
    if (error != expectedError) return "the streamed read refuses with another text: " + error;
    return {};
  }
  Bytes fromTree, fromStream;
  if (built.BuildImage(fromTree) != streamed.BuildImage(fromStream) || fromTree != fromStream)
    return "the streamed read builds another zone";
  return {};
}

}  // namespace

std::string BuildRoundTripFault(std::string_view text) {
  Json json;
  std::string error;
  TMob built;
  const bool parsed = ParseJson(text, json, error);
  const bool fits = parsed && JsonToMob(json, built, error);
  const JsonReadResult verdict =
      !parsed ? JsonReadResult::NotJson : !fits ? JsonReadResult::DoesNotFit : JsonReadResult::Read;
  if (std::string fault = StreamedReadFault(text, verdict, error, built); !fault.empty()) return fault;
  if (!fits) return {};
  // What the JSON form takes the writer writes: no input here nears the 4 GB
  // the format allows.
  Bytes image;
  if (!built.BuildImage(image)) return "the zone read from JSON is not written:\n" + built.LogText;

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
