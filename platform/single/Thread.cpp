// Threads on a target that has none (WebAssembly without shared memory): a
// "started" thread runs its function to the end on the caller's thread, so the
// run's worker and the streamed walk work unchanged, one after the other.
#include "platform/Thread.h"

namespace zemrik::platform {

SystemResult<Thread> Thread::start(Entry entry, void* argument) {
    entry(argument);
    return Thread();  // finished already: nothing to join
}

void Thread::join() {}

// One printer: the streamed walk then starts no helper.
unsigned processorCount() { return 1; }

}  // namespace zemrik::platform
