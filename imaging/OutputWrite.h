#pragma once

#include "imaging/ImageFile.h"
#include "imaging/Messages.h"
#include "imaging/ProgressSink.h"

#include <string>

namespace velmora {

// The final write of a composition: a failure is reported with the path.
inline bool WriteOutputFile(FIBITMAP* output, const std::string& outputPath, int saveFormat, ProgressSink& sink)
{
    if (WriteImageFile(output, outputPath, saveFormat))
        return true;
    sink.ShowMessage(messages::kCouldntSavePrefix + outputPath);
    return false;
}

} // namespace velmora
