// qxobjects: the baked-in object image of this build.
//   qxobjects                  describes every object
//   qxobjects NAME             describes one object ("glass", "morph-07", ...)
//   qxobjects obj NAME FILE    writes the object's mesh as a Wavefront OBJ file
//   qxobjects obj all DIR      writes every object's mesh as DIR/NAME.obj
#include <cstdio>
#include <string>

#include "data/object_image.h"
#include "tools/archive/file_io.h"
#include "tools/meshes/object_report.h"

namespace {

using namespace qx;

int Usage() {
    std::fprintf(stderr,
                 "usage: qxobjects [NAME]\n"
                 "       qxobjects obj NAME FILE.obj\n"
                 "       qxobjects obj all DIRECTORY\n");
    return 64;
}

bool WriteText(const std::string& path, const std::string& text) {
    if (!WriteWholeFile(path, text.data(), text.size())) {
        std::fprintf(stderr, "qxobjects: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int UnknownObject(const std::string& name) {
    std::fprintf(stderr, "qxobjects: no object named %s\n", name.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (argc == 1) {
        for (uint32_t i = 0; i < kImageObjectCount; ++i)
            std::fputs(DescribeObject(*ImageObject(i), ImageObjectName(i)).c_str(), stdout);
        return 0;
    }
    if (argc == 2 && command != "obj") {
        const int32_t index = FindImageObject(command);
        if (index < 0) return UnknownObject(command);
        std::fputs(DescribeObject(*ImageObject(index), command).c_str(), stdout);
        return 0;
    }
    if (argc != 4 || command != "obj") return Usage();
    const std::string name = argv[2], path = argv[3];
    if (name == "all") {
        for (uint32_t i = 0; i < kImageObjectCount; ++i) {
            const std::string objectName = ImageObjectName(i);
            if (!WriteText(path + "/" + objectName + ".obj",
                           WavefrontObj(*ImageObject(i), objectName)))
                return 1;
        }
        return 0;
    }
    const int32_t index = FindImageObject(name);
    if (index < 0) return UnknownObject(name);
    return WriteText(path, WavefrontObj(*ImageObject(index), name)) ? 0 : 1;
}
