// The shared records' one instance each, at their program-image values.
#include "base/host_settings.h"

#include "base/display_state.h"

namespace qx {

HostSettings hostSettings;
DisplayState displayState;

}  // namespace qx
