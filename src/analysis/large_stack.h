// Runs work on a thread with a large stack. The cost model walks the syntax tree recursively,
// and a program nested tens of thousands of blocks deep needs more stack than a server thread
// or a sanitizer build provides.
#pragma once

#include <functional>

namespace quorbel {

// Runs `work` to completion on a thread with a 512 MB stack (reserved, touched only as used);
// runs it on the calling thread when no such thread can be made. What `work` throws is thrown
// here. A few such threads are kept waiting for the next calls, with no more than the top 8 MB
// of their stacks resident between calls.
void runOnLargeStack(const std::function<void()>& work);

}  // namespace quorbel
