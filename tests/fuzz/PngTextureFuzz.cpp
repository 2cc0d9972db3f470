// PNG decoding for the texture, in both transparency modes, from arbitrary bytes.
#include <cstdio>

#include "image/PngDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    for (int mode : {oxv::PNG_SOLID, oxv::PNG_ALPHA}) {
        std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        if (!f) return 0;
        oxv::PngPixels image;
        oxv::DecodePng(f, mode, 1.8, image);
        std::fclose(f);
    }
    return 0;
}
