// A second thread that runs one job at a time while the caller goes on: the
// offline render hands it each finished frame to feed the encoder while the
// next frame is drawn.
#pragma once
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace lumen::platform {

class BackgroundWorker {
public:
    BackgroundWorker();
    // Waits for the job in hand (its failure is dropped), then ends the thread.
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Waits for the previous job, rethrows what it threw, then starts this one.
    void run(std::function<void()> job);
    // Waits for the job in hand; rethrows what it threw.
    void wait();

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};

}  // namespace lumen::platform
