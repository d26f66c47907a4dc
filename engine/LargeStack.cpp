// SPDX-License-Identifier: Apache-2.0
#include "engine/LargeStack.h"

#include <exception>
#include <pthread.h>
#include <system_error>

namespace quire {

namespace {

struct Task
{
    const std::function<void()>* work;
    std::exception_ptr error;
};

extern "C" void* RunTask(void* argument)
{
    auto* task = static_cast<Task*>(argument);
    try {
        (*task->work)();
    } catch (...) {
        task->error = std::current_exception();
    }
    return nullptr;
}

} // namespace

void RunOnLargeStack(const std::function<void()>& work, std::size_t bytes)
{
    Task task {&work, nullptr};
    pthread_attr_t attributes;
    int error = pthread_attr_init(&attributes);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "the job's thread cannot be made");
    pthread_t thread {};
    error = pthread_attr_setstacksize(&attributes, bytes);
    if (error == 0)
        error = pthread_create(&thread, &attributes, RunTask, &task);
    pthread_attr_destroy(&attributes);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "the job's thread cannot be made");
    pthread_join(thread, nullptr);
    if (task.error)
        std::rethrow_exception(task.error);
}

} // namespace quire
