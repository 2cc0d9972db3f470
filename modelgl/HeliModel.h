#pragma once

// The textured helicopter that playback flies along the scanner path: an OBJ
// model with its MTL library, a PNG texture and a parameter file side by
// side, compiled into three display lists (body, main rotor, tail rotor).

#include <cstdint>
#include <string>

namespace oxv {

class gl_heli_model {
public:
    gl_heli_model() = default;
    virtual ~gl_heli_model();
    gl_heli_model(const gl_heli_model&) = delete;
    gl_heli_model& operator=(const gl_heli_model&) = delete;

    // Reads the model at `path` ("…/model/gray.obj"), its parameter file and
    // texture beside it (same name, extensions "par" and "png"), and compiles
    // the three lists. Needs the drawing context current. False only when the
    // model file cannot be read; the previous lists and texture are released
    // either way.
    bool load(const std::string& path);

    // Draws the helicopter at `position` and `attitude` under the current
    // modelview matrix (the camera, in metres) and turns the rotors one step
    // further. Does nothing until a load has compiled the lists.
    void draw();

    // Deletes the lists and the texture; the destructor does this too. A
    // window whose context goes away before this object calls it first,
    // with the context current.
    void Release();

    // The rotors one step further, as a draw turns them: for a frame whose
    // drawing is left out but whose successors must look as if it was drawn.
    // Nothing until a load has compiled the lists.
    void AdvanceRotors();

    uint32_t texture_id = 0;  // 0: no texture
    uint32_t list_base = 0;   // Body; + 1 Main rotor; + 2 Tail rotor. 0: nothing loaded
    double scale = 1.0;
    double model_rotation[3] = {0.0, 0.0, 0.0};  // roll, pitch, heading (degrees)
    double model_offset[3] = {0.0, 0.0, 0.0};
    double main_rotor_hub[3] = {0.0, 0.0, 0.0};  // relative to model_offset
    double tail_rotor_hub[3] = {0.0, 0.0, 0.0};
    double attitude[3] = {0.0, 0.0, 0.0};  // roll, pitch, heading (degrees), set by playback
    double position[3] = {0.0, 0.0, 0.0};  // east, north, up (metres), set by playback
    int32_t rotor_counter = 0;             // + 45 per draw; the rotor angles derive from it
};

}  // namespace oxv
