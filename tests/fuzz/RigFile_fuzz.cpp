// SPDX-License-Identifier: GPL-3.0-or-later

// The rig file's reader: whatever the text, a geometry it takes is one its
// writer gives back exactly, so a saved rig never drifts.

#include "imaging/pairs/RigFile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto read = velmora::ParseRigFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (const auto* rig = std::get_if<velmora::RigGeometry>(&read)) {
        const auto again = velmora::ParseRigFile(velmora::RigFileText(*rig));
        const auto* same = std::get_if<velmora::RigGeometry>(&again);
        velmora::fuzz::Require(same && *same == *rig, "a rig read does not come back from its text");
    }
    return 0;
}
