// The version of this build of Kelvarin. The numbers come from the CMake project
// version, so the build, the About box and the settings file never disagree.
#pragma once

namespace kelvarin {

class TVerInfoTxtFormat;

void SetProgramVersion(TVerInfoTxtFormat& verInfo);

}  // namespace kelvarin
