// Writes the seed corpora of the fuzzers: generated zones of every shape as .mob
// files for the loader, and the same zones as JSON for the build target.
#include <cstdio>
#include <fstream>
#include <string>

#include "cli/jsondoc.h"
#include "mob/generator.h"
#include "mob/tmob.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MOB_CORPUS_DIR JSON_CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::string mobDir = argv[1], jsonDir = argv[2];
  int n = 0;
  for (std::size_t records : {0, 1, 8, 9, 30}) {
    for (std::uint64_t seed : {1, 2}) {
      kelvarin::TMob mob;
      kelvarin::GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 3});
      kelvarin::Bytes image;
      if (!mob.BuildImage(image)) return 1;
      const std::string name = "/seed-" + std::to_string(n++);
      std::ofstream(mobDir + name + ".mob", std::ios::binary)
          .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
      std::ofstream(jsonDir + name + ".json", std::ios::binary) << kelvarin::MobToJson(mob).dump();
    }
  }
  return 0;
}
