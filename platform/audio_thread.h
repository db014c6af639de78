// The audio thread: calls a function every few milliseconds at the highest
// priority the system grants, until the object is destroyed.
#pragma once
#include <atomic>
#include <functional>
#include <thread>

namespace lumen::platform {

class AudioThread {
public:
    AudioThread(std::function<void()> poll, int periodMs);
    ~AudioThread();
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

private:
    void run();

    std::function<void()> poll_;
    int periodMs_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace lumen::platform
