// SPDX-License-Identifier: GPL-3.0-or-later

// Reads a picture and writes it as JPEG at quality 90 on THREADS threads, as
// every command's JPEG output is written: for timing the whole process
// against other programs.
//   bench_jpeg_save IN OUT THREADS

#include "imaging/formats/ImageFile.h"
#include "imaging/formats/SaveFormat.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace velmora;
    if (argc != 4) {
        std::cerr << "usage: bench_jpeg_save IN OUT THREADS\n";
        return 2;
    }
    const RunOptions options{.threads = std::max(1, std::atoi(argv[3])), .jpegQuality = 90};
    const ImageRead read = ReadRgbImageFile(argv[1], options);
    if (!read.bitmap) {
        std::cerr << argv[1] << ": " << read.status.reason << '\n';
        return 1;
    }
    if (const FileStatus written = WriteImageFile(read.bitmap.get(), argv[2], kSaveJpeg, options); !written) {
        std::cerr << argv[2] << ": " << written.reason << '\n';
        return 1;
    }
    return 0;
}
