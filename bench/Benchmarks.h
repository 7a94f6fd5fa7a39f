// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "bench/BenchInputs.h"

namespace velmora::bench {

void RegisterPlainCopy(int width, int height);
void RegisterShiftedView(int width, int height, int parallax, bool withReference);
void RegisterDepthSmoothing(int width, int height, int radius, bool withReference);
void RegisterCompositions(int width, int height);
void RegisterSegmentation(int width, int height, bool withReference);

} // namespace velmora::bench
