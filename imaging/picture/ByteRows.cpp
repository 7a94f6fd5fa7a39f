// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/picture/ByteRows.h"

#include "imaging/picture/VectorClones.h"

namespace velmora {

VELMORA_VECTOR_CLONES void GatherBytes(const std::uint8_t* source, std::size_t stride, std::uint8_t* target, int count)
{
    // A picture's bytes lie three apart: a loop of its own, which the
    // compiler can turn into byte shuffles.
    if (stride == 3)
        for (int x = 0; x < count; ++x)
            target[x] = source[3 * static_cast<std::size_t>(x)];
    else
        for (int x = 0; x < count; ++x)
            target[x] = source[stride * static_cast<std::size_t>(x)];
}

} // namespace velmora
