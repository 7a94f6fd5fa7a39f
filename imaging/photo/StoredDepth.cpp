// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/StoredDepth.h"

#include "imaging/photo/DynamicDepth.h"
#include "imaging/photo/GoogleDepth.h"
#include "imaging/photo/JpegXmp.h"
#include "imaging/photo/XmpProperties.h"

namespace velmora {

StoredDepthRead ReadJpegStoredDepth(FileBytes& bytes, const RunOptions& options)
{
    const auto text = ReadMainXmp(bytes);
    if (!text)
        return {};
    const XmpPacket xmp(*text);
    StoredDepthRead google = ReadGoogleDepth(bytes, xmp, options);
    if (google.found)
        return google;
    StoredDepthRead dynamic = ReadDynamicDepth(bytes, xmp, options);
    // A damaged one of the two is reported only when the other is not there.
    if (dynamic.found || google.problem.empty())
        return dynamic;
    return google;
}

} // namespace velmora
