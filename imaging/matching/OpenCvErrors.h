// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <opencv2/core.hpp>

#include <new>
#include <string>
#include <variant>

namespace velmora {

// `work`'s result, with OpenCV's errors made this library's: running out of
// memory as std::bad_alloc, which callers guard as for any other routine,
// and any other error as the reason there is no result. Nothing OpenCV
// throws reaches a caller, and a window's event loop, as it is.
template <typename Result, typename Work> std::variant<Result, std::string> WithOpenCvErrors(Work&& work)
{
    try {
        return work();
    } catch (const cv::Exception& error) {
        if (error.code == cv::Error::StsNoMem)
            throw std::bad_alloc();
        return "the matching failed (" + error.err + ")";
    }
}

} // namespace velmora
