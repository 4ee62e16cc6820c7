#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

// Interleaved frames (one sample each for mono, two for stereo) passed from one writer
// thread to one reader thread without a lock, so that the audio callback never waits for
// the decoder.
class FrameRing
{
public:
    FrameRing(std::size_t capacityFrames, std::size_t channels)
        : m_samples(capacityFrames * channels)
        , m_capacity(capacityFrames)
        , kChannels(channels)
    {
    }

    std::size_t Channels() const { return kChannels; }

    std::size_t FreeFrames() const { return m_capacity - StoredFrames(); }
    std::size_t StoredFrames() const
    {
        return m_written.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire);
    }

    // Writer side: stores as many of the frames as fit and returns their count.
    std::size_t Write(const float *frames, std::size_t count)
    {
        const std::size_t written = m_written.load(std::memory_order_relaxed);
        const std::size_t read = m_read.load(std::memory_order_acquire);
        count = std::min(count, m_capacity - (written - read));
        const std::size_t start = written % m_capacity;
        const std::size_t first = std::min(count, m_capacity - start);
        std::copy_n(frames, first * kChannels, m_samples.begin() + start * kChannels);
        std::copy_n(frames + first * kChannels, (count - first) * kChannels, m_samples.begin());
        m_written.store(written + count, std::memory_order_release);
        return count;
    }

    // Reader side: hands up to `count` stored frames to sink(const float *samples,
    // std::size_t frames) in at most two pieces, then releases them; returns the count.
    template<typename Sink>
    std::size_t Read(std::size_t count, Sink &&sink)
    {
        const std::size_t read = m_read.load(std::memory_order_relaxed);
        const std::size_t written = m_written.load(std::memory_order_acquire);
        count = std::min(count, written - read);
        const std::size_t start = read % m_capacity;
        const std::size_t first = std::min(count, m_capacity - start);
        if (first > 0)
            sink(m_samples.data() + start * kChannels, first);
        if (count > first)
            sink(m_samples.data(), count - first);
        m_read.store(read + count, std::memory_order_release);
        return count;
    }

private:
    std::vector<float> m_samples;
    const std::size_t m_capacity;
    const std::size_t kChannels;
    std::atomic<std::size_t> m_written{0};
    std::atomic<std::size_t> m_read{0};
};
