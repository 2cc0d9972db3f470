#pragma once

// The helicopter's parameter file: placement numbers for the model and the
// part lists (sections of OBJ group names) that say which groups form the
// body, the two rotors and the textured surfaces.

#include <map>
#include <string>
#include <vector>

namespace oxv {

struct ModelParameters {
    double scale = 1.0;                          // ~S
    double model_rotation[3] = {0.0, 0.0, 0.0};  // ~B roll, pitch, heading (degrees)
    double model_offset[3] = {0.0, 0.0, 0.0};    // ~C x, y, z
    double main_rotor_hub[3] = {0.0, 0.0, 0.0};  // ~M, relative to model_offset
    double tail_rotor_hub[3] = {0.0, 0.0, 0.0};  // ~T, relative to model_offset
};

// Section name → its entry lines in file order. Names and entries are
// compared exactly, blanks and case included.
using ModelSections = std::map<std::string, std::vector<std::string>>;

// Empties `sections`, then reads the file: `~` lines set parameters (only the
// numbers present), `#` lines start a section named by the rest of the line,
// every other line is an entry of the current section. Entries before the
// first header, and those of a header with an empty name, are dropped; a
// section named twice keeps its last occurrence. False when the file cannot
// be opened or read; `parameters` then keeps its values.
[[nodiscard]] bool ReadModelParameters(const std::string& path, ModelSections& sections, ModelParameters& parameters);

// The path up to and including its last '.', followed by `extension`; the
// extension alone when the path has no '.'.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

}  // namespace oxv
