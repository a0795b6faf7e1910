// Work shared by threads that each take items until none are left.
#pragma once

#include <functional>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace quarnel::image {

// Runs `work` on the calling thread and on up to `threads` - 1 more, and
// returns once every one is done. A thread the system can't start leaves
// its share to the others, as `work` takes items until none are left.
inline void runOnThreads(unsigned threads, const std::function<void()>& work) {
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        } catch (const std::bad_alloc&) {
            break;
        }
    }
    work();
    for (std::thread& thread : pool) thread.join();
}

}  // namespace quarnel::image
