#include <gtest/gtest.h>

#include "document/docpaths.h"

namespace kelvarin {
namespace {

TEST(DocPaths, ExtensionsAndNames) {
  struct Case {
    const char* path;
    bool hasExtension;
    const char* withMob;
    const char* name;
    const char* folder;
  } cases[] = {
      {"/maps/zone12", false, "/maps/zone12.mob", "zone12", "/maps/"},
      {"/maps/zone12.mob", true, "/maps/zone12.mob", "zone12.mob", "/maps/"},
      {"/maps.old/zone12", false, "/maps.old/zone12.mob", "zone12", "/maps.old/"},
      {"/maps/zone.", true, "/maps/zone.", "zone.", "/maps/"},
      {"/maps/.hidden", true, "/maps/.hidden", ".hidden", "/maps/"},
      {"zone", false, "zone.mob", "zone", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(HasExtension(c.path), c.hasExtension);
    EXPECT_EQ(WithMobExtension(c.path), c.withMob);
    EXPECT_EQ(FileNameOf(c.path), c.name);
    EXPECT_EQ(FolderOf(c.path), c.folder);
  }
}

}  // namespace
}  // namespace kelvarin
