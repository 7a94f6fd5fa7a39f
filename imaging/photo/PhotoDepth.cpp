// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/PhotoDepth.h"

#include "imaging/files/RegularFile.h"
#include "imaging/formats/HeifFile.h"
#include "imaging/formats/HeifSignature.h"
#include "imaging/formats/ImageFile.h"
#include "imaging/formats/StoredOrientation.h"
#include "imaging/photo/DepthFitting.h"
#include "imaging/photo/HeifDepth.h"
#include "imaging/picture/Orientation.h"

#include <string_view>

namespace velmora {

StoredDepthRead ReadPhotoDepth(const std::string& path, const RunOptions& options)
{
    const OpenedFile file = OpenForReading(path);
    if (!file.status)
        return {Bitmap(), false, file.status.reason, ""};
    FileBytes bytes(file.descriptor.Get(), file.size);
    StoredDepthRead read;
    if (HasHeifSignature(bytes)) {
        // Decoded from the file already open and sniffed, not opened again.
        read = StoredDepthOfHeif(HeifFile(file.descriptor.Get(), file.size).DecodeDepth(options.pictureLimit));
    } else if (bytes.Matches(0, std::string_view("\xFF\xD8", 2))) {
        read = ReadJpegStoredDepth(bytes, options);
        if (read.found)
            read.depth = Upright(std::move(read.depth), StoredOrientation(FIF_JPEG, bytes));
    }
    if (!read.found)
        return read;
    const SizeRead picture = ReadPictureSize(path, options);
    if (read.depth && picture.status &&
        (Width(read.depth.get()) != picture.width || Height(read.depth.get()) != picture.height))
        read.depth = Resized(read.depth.get(), picture.width, picture.height);
    if (!read.depth) {
        read.found = false;
        read.problem = "there is not enough memory for its stored depth map";
    }
    return read;
}

} // namespace velmora
