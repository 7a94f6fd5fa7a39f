// SPDX-License-Identifier: GPL-3.0-or-later

// The parsers of stereo files: a multi-picture object's MP index, which must
// only ever name pictures inside the file and never two that overlap, and a
// JPS file's descriptor.

#include "imaging/pairs/MpoIndex.h"
#include "imaging/pairs/PairFiles.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    velmora::FileBytes bytes(data, size);
    const auto index = velmora::ReadMpIndex(bytes);
    if (const auto* images = std::get_if<std::vector<velmora::MpImage>>(&index)) {
        for (const velmora::MpImage& image : *images)
            velmora::fuzz::Require(image.at <= size && image.size <= size - image.at, "an MP entry lies outside the file");
        (void)velmora::StereoImages(*images);
    }
    (void)velmora::JpsHalves(bytes);
    return 0;
}
