// The loops of a butterfly (FFT, NTT, Walsh-Hadamard, bottom-up merge passes): a length doubled
// by the outer loop, blocks of that length stepped over by the middle loop, a window inside each
// block walked by the inner one. The middle and inner loops together cover the range once per
// length, whatever the lengths are: n per level, n log n in all.
#pragma once

#include "model/loops.h"
#include "model/model.h"

namespace quorbel {

// True when `frame` moves its counter by a constant factor: len <<= 1, h *= 2, k >>= 1, d /= 2.
bool scalesItsCounter(const Model& model, const EnclosingLoop& frame);

// True when `width` (the bound of a loop from 0, or the offset of a window from its start) is
// the step of the enclosing `frame` to a constant factor: len, len / 2, len >> 1, 2 * len, with
// the frame stepping i += len or i += 2 * len or i += len << 1.
bool widthIsStepOf(const Model& model, const Node& width, const EnclosingLoop& frame);

// The passes of a window inside each block of `frame`: the frame's range over its passes, its
// passes kept exactly as they are (n / (n / log n) is log n) where the count of blocks is one
// product, share of a total over the lengths as it may be.
Cost windowTrips(const EnclosingLoop& frame);

}  // namespace quorbel
