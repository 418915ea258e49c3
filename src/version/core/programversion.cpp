#include "version/core/programversion.h"

#include "version/core/verinfotxtformat.h"

namespace kelvarin {

void SetProgramVersion(TVerInfoTxtFormat& verInfo) {
  verInfo.Major = KELVARIN_VERSION_MAJOR;
  verInfo.Minor = KELVARIN_VERSION_MINOR;
  verInfo.Release = KELVARIN_VERSION_PATCH;
  verInfo.Revision = KELVARIN_VERSION_TWEAK;
  verInfo.Status = TVerInfoTxtFormat::kStatusRelease;
  verInfo.RCNum = -1;
}

}  // namespace kelvarin
