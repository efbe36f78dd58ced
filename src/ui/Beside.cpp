#include "Beside.h"

#include <memory>
#include <pthread.h>
#include <sched.h>

namespace lyrovan::detail {

namespace {

struct Start {
    std::function<void()> body;
    cpu_set_t anywhere;
    bool narrowed;
};

void* Run(void* argument)
{
    const std::unique_ptr<Start> start(static_cast<Start*>(argument));
    if (start->narrowed)
        sched_setaffinity(0, sizeof start->anywhere, &start->anywhere);
    start->body();
    return nullptr;
}

} // namespace

static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "a thread handle fits");

bool StartBeside(std::function<void()> body, unsigned long& handle)
{
    auto start = std::make_unique<Start>();
    start->body = std::move(body);
    CPU_ZERO(&start->anywhere);
    cpu_set_t elsewhere;
    CPU_ZERO(&elsewhere);
    const int here = sched_getcpu();
    if (here >= 0 && here < CPU_SETSIZE && sched_getaffinity(0, sizeof start->anywhere, &start->anywhere) == 0) {
        elsewhere = start->anywhere;
        CPU_CLR(here, &elsewhere);
    }
    pthread_t thread{};
    start->narrowed = CPU_COUNT(&elsewhere) > 0;
    if (start->narrowed) {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        const bool placed = pthread_attr_setaffinity_np(&attributes, sizeof elsewhere, &elsewhere) == 0
                            && pthread_create(&thread, &attributes, Run, start.get()) == 0;
        pthread_attr_destroy(&attributes);
        if (placed) {
            start.release(); // the thread owns it now
            handle = static_cast<unsigned long>(thread);
            return true;
        }
        start->narrowed = false;
    }
    if (pthread_create(&thread, nullptr, Run, start.get()) != 0)
        return false;
    start.release();
    handle = static_cast<unsigned long>(thread);
    return true;
}

void Join(unsigned long handle)
{
    pthread_join(static_cast<pthread_t>(handle), nullptr);
}

} // namespace lyrovan::detail
