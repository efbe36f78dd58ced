#pragma once
// Start-up work run on a thread of its own, beside the thread that builds
// the window.

#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <utility>

namespace lyrovan {

namespace detail {
// Starts body on a new thread, on another processor than the calling
// thread's where the process may use one; then body may run anywhere. A
// new thread otherwise waits on the processor of the thread that made it
// until the scheduler moves it, about a millisecond on a two-processor
// machine, or takes that processor from the window's thread meanwhile.
// Returns false when no thread could be started.
bool StartBeside(std::function<void()> body, unsigned long& handle);
void Join(unsigned long handle);
} // namespace detail

// Runs work once on a new thread. get() waits for its result; destroying it
// waits for the thread to end, as std::async's future does. Where no thread
// can be started, the work runs at once on the calling thread.
template <typename T>
class Beside {
public:
    Beside() = default;
    template <typename Work>
    explicit Beside(Work work)
    {
        auto task = std::make_shared<std::packaged_task<T()>>(std::move(work));
        m_result = task->get_future();
        m_started = detail::StartBeside([task] { (*task)(); }, m_handle);
        if (!m_started)
            (*task)();
    }
    Beside(Beside&& other) noexcept { *this = std::move(other); }
    Beside& operator=(Beside&& other) noexcept
    {
        join();
        m_result = std::move(other.m_result);
        m_handle = other.m_handle;
        m_started = std::exchange(other.m_started, false);
        return *this;
    }
    Beside(const Beside&) = delete;
    Beside& operator=(const Beside&) = delete;
    ~Beside() { join(); }

    // Whether there is a result still to take.
    bool valid() const { return m_result.valid(); }
    // Waits for the work and takes its result (rethrowing what it threw).
    // The window's thread waits here at start-up for a fraction of a
    // millisecond, if at all: it checks for the result for up to two
    // milliseconds before it sleeps, as falling asleep and being woken again
    // takes about a tenth of one. The thread is joined when this is
    // destroyed.
    T get()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
        while (m_result.wait_for(std::chrono::seconds(0)) != std::future_status::ready
               && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        return m_result.get();
    }

private:
    void join()
    {
        if (std::exchange(m_started, false))
            detail::Join(m_handle);
    }

    std::future<T> m_result;
    unsigned long m_handle = 0;
    bool m_started = false;
};

} // namespace lyrovan
