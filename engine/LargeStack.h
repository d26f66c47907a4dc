// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <functional>

namespace quire {

// The stack a job runs on: qpdf copies and writes objects recursively, so its stack use grows with
// how deeply a file's objects nest. The walks in ObjectDepth refuse nesting beyond what this
// stack holds with a wide margin; most of it is never touched and costs no memory.
constexpr std::size_t kJobStackBytes = std::size_t(256) << 20;

// Runs `work` on a thread of its own with a stack of `bytes` and waits for it to end; an exception
// from `work` is thrown again on the calling thread. Throws std::system_error when the system
// cannot give such a thread (then `work` does not run at all: on a smaller stack a hostile file
// could end the process).
void RunOnLargeStack(const std::function<void()>& work, std::size_t bytes = kJobStackBytes);

} // namespace quire
