// The polling loop of the audio thread.
#include "platform/audio_thread.h"

#include <SDL.h>

#include <chrono>

namespace lumen::platform {

AudioThread::AudioThread(std::function<void()> poll, int periodMs)
    : poll_(std::move(poll)), periodMs_(periodMs), thread_([this] { run(); }) {}

AudioThread::~AudioThread() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
}

void AudioThread::run() {
    // Needs privileges on most systems; without them the thread keeps its
    // normal priority, and the ring's two seconds of slack cover the rest.
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL);
    while (!stop_.load(std::memory_order_relaxed)) {
        poll_();
        std::this_thread::sleep_for(std::chrono::milliseconds(periodMs_));
    }
}

}  // namespace lumen::platform
