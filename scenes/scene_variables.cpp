#include "scenes/scene_variables.h"

namespace qx {

SceneVariables sceneVariables;

}  // namespace qx
