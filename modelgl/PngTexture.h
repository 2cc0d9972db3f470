#pragma once

// Making an OpenGL texture from an open PNG file: decode (PngDecode.h), fit
// the image to a size the implementation accepts, and upload it.

#include <cstdio>

#include "image/PngDecode.h"

namespace oxv {

// Mipmap modes.
enum PngMipmap : int {
    PNG_NOMIPMAP = 0,      // the image becomes level 0 only
    PNG_BUILDMIPMAP = -1,  // a full chain of levels is built from it
};

// What the file held, for the caller's information.
struct PngTextureInfo {
    unsigned width = 0;   // of the image in the file, before any fitting
    unsigned height = 0;
    unsigned depth = 0;   // bits per sample in the file
    unsigned alpha = 0;   // 1 when the file has alpha or a transparent colour
};

// How the image size is fitted; Auto asks the implementation whether it
// takes sides that are not powers of two.
enum class PngTextureSizing { Auto, PowerOfTwo };

// Reads the PNG from `file`, generates a texture name, binds it to
// GL_TEXTURE_2D (it stays bound), sets the wrap mode of s and t and the two
// filters, and uploads the image (rows top first: the first row is t = 0).
// Gamma follows ScreenGammaFromEnvironment(). Returns the texture name, or 0
// on any failure (with no texture left behind). Needs a current context.
unsigned BindPngTextureFile(std::FILE* file, int mipmap, int transparency, PngTextureInfo* info, int wrapST,
                            int minFilter, int magFilter, PngTextureSizing sizing = PngTextureSizing::Auto);

}  // namespace oxv
