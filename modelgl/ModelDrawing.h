#pragma once

// Turning an ObjModel into OpenGL 1.1 commands: a list of groups compiled
// into a display list, and the model's texture. Each needs a current OpenGL context.

#include <string>
#include <vector>

#include "model/ObjGroupEmitter.h"
#include "model/ObjModel.h"

namespace oxv {

// Compiles `list`: push, translate by `offset`, rotate by heading about z,
// pitch about -x and roll about y (`angles` = roll, pitch, heading in
// degrees), every named group (with texture coordinates when the name is
// also in `texturedNames`, compared exactly), pop.
void BuildPartList(unsigned list, const std::vector<std::string>& groupNames,
                   const std::vector<std::string>& texturedNames, const double offset[3], const double angles[3],
                   const ObjModel& model);

// The texture from the PNG file: level 0 only, solid RGB, repeating, nearest
// filtering; it is left bound. 0 when the file is missing or unreadable.
unsigned LoadModelTexture(const std::string& path);

}  // namespace oxv
