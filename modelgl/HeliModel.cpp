#include "modelgl/HeliModel.h"

#include <GL/gl.h>

#include <algorithm>

#include "modelgl/ModelDrawing.h"
#include "model/ModelParameters.h"
#include "model/ObjModel.h"

namespace oxv {

namespace {

const std::vector<std::string>& Section(const ModelSections& sections, const char* name)
{
    static const std::vector<std::string> kEmpty;
    const auto it = sections.find(name);
    return it != sections.end() ? it->second : kEmpty;
}

// Enables a capability for the draw and remembers whether it was on.
class Enabled {
public:
    explicit Enabled(GLenum cap) : m_cap(cap), m_was(glIsEnabled(cap) == GL_TRUE)
    {
        if (!m_was) glEnable(cap);
    }
    void Restore() const
    {
        if (!m_was) glDisable(m_cap);
    }

private:
    GLenum m_cap;
    bool m_was;
};

}  // namespace

gl_heli_model::~gl_heli_model() { Release(); }

void gl_heli_model::Release()
{
    if (list_base != 0) {
        glDeleteLists(list_base, 3);
        list_base = 0;
    }
    if (texture_id != 0) {
        const GLuint texture = texture_id;
        glDeleteTextures(1, &texture);
        texture_id = 0;
    }
}

void gl_heli_model::AdvanceRotors()
{
    // The counter is kept below 3600 + 45: the angles repeat every 3600 and
    // an ever-growing int32 would overflow after some weeks of playback.
    if (list_base != 0) rotor_counter = rotor_counter % 3600 + 45;
}

bool gl_heli_model::load(const std::string& path)
{
    ModelSections sections;
    Release();
    ObjModelPtr model = ReadObjModel(path);
    if (!model) return false;

    const std::string texturePath = ReplaceExtension(path, "png");
    const std::string parameterPath = ReplaceExtension(path, "par");
    ModelParameters parameters;
    parameters.scale = scale;
    std::copy_n(model_rotation, 3, parameters.model_rotation);
    std::copy_n(model_offset, 3, parameters.model_offset);
    std::copy_n(main_rotor_hub, 3, parameters.main_rotor_hub);
    std::copy_n(tail_rotor_hub, 3, parameters.tail_rotor_hub);
    // A missing or unreadable parameter file leaves the defaults above.
    (void)ReadModelParameters(parameterPath, sections, parameters);
    scale = parameters.scale;
    std::copy_n(parameters.model_rotation, 3, model_rotation);
    std::copy_n(parameters.model_offset, 3, model_offset);
    std::copy_n(parameters.main_rotor_hub, 3, main_rotor_hub);
    std::copy_n(parameters.tail_rotor_hub, 3, tail_rotor_hub);

    const std::vector<std::string>& textured = Section(sections, "Texture");
    if (!textured.empty()) texture_id = LoadModelTexture(texturePath);

    list_base = glGenLists(3);
    if (list_base != 0) {
        ScaleObjModel(*model, static_cast<float>(scale));
        BuildPartList(list_base, Section(sections, "Body"), textured, model_offset, model_rotation, *model);
        BuildPartList(list_base + 1, Section(sections, "Main"), textured, model_offset, model_rotation, *model);
        BuildPartList(list_base + 2, Section(sections, "Tail"), textured, model_offset, model_rotation, *model);
    }
    return true;
}

void gl_heli_model::draw()
{
    if (list_base == 0) return;
    glPushMatrix();
    glTranslated(position[0], position[1], position[2]);

    // Set after the translation and before the attitude, so the lights keep
    // their directions along the scene's axes whatever the vehicle does.
    static const GLfloat kFromAbove[4] = {0.0f, 0.0f, 100.0f, 0.0f};
    static const GLfloat kFromBelow[4] = {0.0f, 0.0f, -100.0f, 0.0f};
    static const GLfloat kColor[4] = {0.9f, 0.9f, 0.9f, 0.5f};
    glLightfv(GL_LIGHT0, GL_POSITION, kFromAbove);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kColor);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kColor);
    glLightfv(GL_LIGHT1, GL_POSITION, kFromBelow);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, kColor);
    glLightfv(GL_LIGHT1, GL_AMBIENT, kColor);

    glRotated(attitude[2], 0.0, 0.0, 1.0);
    glRotated(attitude[1], -1.0, 0.0, 0.0);
    glRotated(attitude[0], 0.0, 1.0, 0.0);

    const Enabled lighting(GL_LIGHTING);
    const Enabled light0(GL_LIGHT0);
    const Enabled light1(GL_LIGHT1);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Enabled blend(GL_BLEND);
    const Enabled depth(GL_DEPTH_TEST);

    if (texture_id != 0) {
        glBindTexture(GL_TEXTURE_2D, texture_id);
        glEnable(GL_TEXTURE_2D);
    }
    glCallList(list_base);

    const int32_t counter = rotor_counter % 3600;
    const float mainAngle = static_cast<float>(counter % 3600) * 0.1f;
    const float tailAngle = static_cast<float>(counter % 1200) * 0.3f;

    glPushMatrix();
    glTranslated(model_offset[0], model_offset[1], model_offset[2]);
    glTranslated(main_rotor_hub[0], main_rotor_hub[1], main_rotor_hub[2]);
    glRotatef(mainAngle, 0.0f, 0.0f, -1.0f);
    glTranslated(-main_rotor_hub[0], -main_rotor_hub[1], -main_rotor_hub[2]);
    glTranslated(-model_offset[0], -model_offset[1], -model_offset[2]);
    glCallList(list_base + 1);
    glPopMatrix();

    glPushMatrix();
    glTranslated(model_offset[0], model_offset[1], model_offset[2]);
    glTranslated(tail_rotor_hub[0], tail_rotor_hub[1], tail_rotor_hub[2]);
    glRotatef(tailAngle, 0.0f, -1.0f, 0.0f);
    glTranslated(-tail_rotor_hub[0], -tail_rotor_hub[1], -tail_rotor_hub[2]);
    glTranslated(-model_offset[0], -model_offset[1], -model_offset[2]);
    glCallList(list_base + 2);
    glPopMatrix();

    AdvanceRotors();

    if (texture_id != 0) {
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    depth.Restore();
    blend.Restore();
    light0.Restore();
    light1.Restore();
    lighting.Restore();
    glPopMatrix();
}

}  // namespace oxv
