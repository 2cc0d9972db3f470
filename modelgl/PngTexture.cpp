#include "modelgl/PngTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <new>
#include <string_view>

namespace oxv {

namespace {

// Sides that are not powers of two are core from OpenGL 2.0 on and an
// extension before.
bool TakesAnySize()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && version[0] >= '2' && version[0] <= '9') return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_texture_non_power_of_two") != nullptr;
}

bool Upload(const PngPixels& image, int mipmap, PngTextureSizing sizing)
{
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (maxSide <= 0) return false;
    const bool powerOfTwo = sizing == PngTextureSizing::PowerOfTwo || !TakesAnySize();
    unsigned width = 0, height = 0;
    FitTextureSize(image.width, image.height, powerOfTwo, static_cast<unsigned>(maxSide), width, height);
    const GLenum format = image.components == 4 ? GL_RGBA : GL_RGB;

    // Tightly packed rows in and out (gluScaleImage writes under the pack
    // settings); whatever the caller had is restored afterwards.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    bool ok = true;
    const uint8_t* pixels = image.pixels.data();
    std::vector<uint8_t> scaled;
    if (width != image.width || height != image.height) {
        scaled.resize(size_t{width} * height * image.components);
        ok = gluScaleImage(format, static_cast<GLint>(image.width), static_cast<GLint>(image.height),
                           GL_UNSIGNED_BYTE, pixels, static_cast<GLint>(width), static_cast<GLint>(height),
                           GL_UNSIGNED_BYTE, scaled.data()) == 0;
        pixels = scaled.data();
    }
    if (ok) {
        const GLint internal = static_cast<GLint>(image.components);
        if (mipmap == PNG_BUILDMIPMAP)
            ok = gluBuild2DMipmaps(GL_TEXTURE_2D, internal, static_cast<GLint>(width), static_cast<GLint>(height),
                                   format, GL_UNSIGNED_BYTE, pixels) == 0;
        else
            glTexImage2D(GL_TEXTURE_2D, 0, internal, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                         format, GL_UNSIGNED_BYTE, pixels);
    }
    glPopClientAttrib();
    return ok;
}

}  // namespace

unsigned BindPngTextureFile(std::FILE* file, int mipmap, int transparency, PngTextureInfo* info, int wrapST,
                            int minFilter, int magFilter, PngTextureSizing sizing)
{
    if (mipmap != PNG_NOMIPMAP && mipmap != PNG_BUILDMIPMAP) return 0;
    if (!glGetString(GL_VERSION)) return 0;  // no current context
    PngPixels image;
    if (!DecodePng(file, transparency, ScreenGammaFromEnvironment(), image)) return 0;

    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (texture == 0) return 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    bool ok = false;
    try {
        ok = Upload(image, mipmap, sizing);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok || glGetError() != GL_NO_ERROR) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
        return 0;
    }
    if (info) {
        info->width = image.width;
        info->height = image.height;
        info->depth = image.fileDepth;
        info->alpha = image.fileAlpha ? 1 : 0;
    }
    return texture;
}

}  // namespace oxv
