#pragma once

// Turning an ObjModel into OpenGL 1.1 commands: one group as immediate-mode
// triangles, a list of groups compiled into a display list, and the model's
// texture. Each needs a current OpenGL context.

#include <string>
#include <string_view>
#include <vector>

#include "model/ObjGroupEmitter.h"
#include "model/ObjModel.h"

namespace oxv {

// Draws the group as one GL_TRIANGLES batch (material calls inside it first
// when asked for). An unknown name draws nothing and issues no call.
// Returns the number of triangles left out for bad indices.
uint32_t DrawObjGroup(const ObjModel& model, std::string_view name, unsigned mode);

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
