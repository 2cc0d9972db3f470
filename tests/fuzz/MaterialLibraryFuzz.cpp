// The OBJ model's material library from arbitrary bytes on disk, found the
// way the reader finds it: beside the model, under the name of its mtllib line.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "model/ObjModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("gray.mtl", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size == 0 || write(fd, data, size) == static_cast<ssize_t>(size)) {
        oxv::ObjModel model;
        model.path = "/proc/self/fd/model.obj";
        if (oxv::ReadMaterialLibrary(model, std::to_string(fd))) {
            if (model.materialCount != model.materials.size() || model.materialCount < 1) std::abort();
            for (uint32_t i = 0; i < model.materialCount; ++i)
                oxv::FindObjMaterial(model, model.materials[i].name);
        }
    }
    close(fd);
    return 0;
}
