#pragma once

namespace cs {

// Dispatches every message waiting in this thread's queue, then returns.
void ProcessPendingMessages();

}  // namespace cs
