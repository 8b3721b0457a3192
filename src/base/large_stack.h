// Runs work on a large stack. The cost model walks the syntax tree recursively,
// and a program nested tens of thousands of blocks deep needs more stack than a server thread
// or a sanitizer build provides.
#pragma once

#include <functional>

namespace quorbel {

// Runs `work` to completion on a 512 MB stack (reserved, touched only as used), switched to on
// the calling thread; runs it on the ordinary stack when no such stack can be had. What `work`
// throws is thrown here. A few stacks are kept for the next calls, with no more than their top
// 8 MB resident between calls.
void runOnLargeStack(const std::function<void()>& work);

}  // namespace quorbel
