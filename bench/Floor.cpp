// SPDX-License-Identifier: GPL-3.0-or-later

// The floor of a whole command: read its input files with the image library,
// write one picture of the first one's size in OUT's format with the
// library's defaults. No command can cost less than that.
//   bench_floor OUT IN [IN...]

#include <FreeImage.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

namespace {

using Picture = std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)>;

Picture Load(const char* path)
{
    return Picture(FreeImage_Load(FreeImage_GetFileType(path), path, 0), &FreeImage_Unload);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: bench_floor OUT IN [IN...]\n";
        return 2;
    }
    std::vector<Picture> inputs;
    for (int i = 2; i < argc; ++i) {
        inputs.push_back(Load(argv[i]));
        if (!inputs.back()) {
            std::cerr << "cannot read " << argv[i] << '\n';
            return 1;
        }
    }
    FIBITMAP* first = inputs.front().get();
    const unsigned width = FreeImage_GetWidth(first), height = FreeImage_GetHeight(first);
    Picture output(FreeImage_Allocate(width, height, 24), &FreeImage_Unload);
    if (!output || FreeImage_GetBPP(first) != 24)
        return 1;
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(FreeImage_GetScanLine(output.get(), y), FreeImage_GetScanLine(first, y), FreeImage_GetLine(first));
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(argv[1]);
    return FreeImage_Save(format, output.get(), argv[1], 0) ? 0 : 1;
}
