#pragma once
// What a host call makes a host's audio thread wait. An audio thread renders a
// block of 128 frames every 2.7 ms (48 kHz), at real-time priority when the
// system grants it (as hosts run it), while the benchmark's thread makes the
// host call every 10 ms. Reported:
//   longest_audio_call_ms  the longest block call (wall clock): above the
//                          block period it is a dropout; goal 1 ms
//   longest_audio_wait_ms  the longest time a block call did not run (wall
//                          clock minus the thread's CPU time): the lock wait,
//                          plus preemption when the thread is not real-time
//   longest_audio_cpu_ms   the most CPU time one block call took: the audio
//                          thread's own work
//   longest_wakeup_late_ms how late the audio thread woke for a block at the
//                          most: the system's scheduling latency, which also
//                          delays its waking when the lock is released
//   audio_calls_over_1ms   how many block calls took longer than 1 ms
//   host_call_max_ms       the longest host call (its lock hold is a part)
//   real_time              1 when the audio thread ran at real-time priority
// The iteration time is the host call's wall-clock time.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace audio_wait {

inline double ThreadCpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// `block` renders one block of 128 frames; `hostCall` is the measured call.
inline void Measure(benchmark::State& state, const std::function<void()>& block,
                    const std::function<void()>& hostCall) {
  using Clock = std::chrono::steady_clock;
  constexpr double kBlockSeconds = 128 / 48000.0;
  std::atomic<bool> running{true};
  std::atomic<bool> realTime{false};
  std::atomic<int> blocks{0};
  double longestCall = 0.0, longestWait = 0.0, longestCpu = 0.0, longestLate = 0.0;
  int over1ms = 0;
  std::thread audio([&] {
    sched_param priority{};
    priority.sched_priority = 70;
    realTime.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0);
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlockSeconds));
    auto next = Clock::now();
    while (running.load()) {
      const auto start = Clock::now();
      const double cpuStart = ThreadCpuSeconds();
      block();
      const double took = std::chrono::duration<double>(Clock::now() - start).count();
      const double ran = ThreadCpuSeconds() - cpuStart;
      longestCall = std::max(longestCall, took);
      longestWait = std::max(longestWait, took - ran);
      longestCpu = std::max(longestCpu, ran);
      if (took > 1e-3) ++over1ms;
      blocks.fetch_add(1);
      // A late block is not made up for: the host's device moves on.
      next = std::max(next + period, Clock::now());
      std::this_thread::sleep_until(next);
      longestLate = std::max(longestLate, std::chrono::duration<double>(Clock::now() - next).count());
    }
  });
  while (blocks.load() < 8) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  double longestHostCall = 0.0;
  for (auto _ : state) {
    const auto start = Clock::now();
    hostCall();
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(took);
    longestHostCall = std::max(longestHostCall, took);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  running.store(false);
  audio.join();
  state.counters["longest_audio_call_ms"] = longestCall * 1e3;
  state.counters["longest_audio_wait_ms"] = longestWait * 1e3;
  state.counters["longest_audio_cpu_ms"] = longestCpu * 1e3;
  state.counters["longest_wakeup_late_ms"] = longestLate * 1e3;
  state.counters["audio_calls_over_1ms"] = over1ms;
  state.counters["host_call_max_ms"] = longestHostCall * 1e3;
  state.counters["real_time"] = realTime.load() ? 1 : 0;
  state.counters["goal_ms"] = 1;
}

}  // namespace audio_wait
