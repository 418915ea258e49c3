// Writes a small seed corpus for the loader fuzzer into the folder given.
#include <cstdio>
#include <fstream>
#include <string>

#include "mob/generator.h"
#include "mob/tmob.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int n = 0;
  for (std::size_t records : {0, 1, 8, 9, 30}) {
    for (std::uint64_t seed : {1, 2}) {
      kelvarin::TMob mob;
      kelvarin::GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 3});
      kelvarin::Bytes image;
      if (!mob.BuildImage(image)) return 1;
      std::ofstream(dir + "/seed-" + std::to_string(n++) + ".mob", std::ios::binary)
          .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    }
  }
  return 0;
}
