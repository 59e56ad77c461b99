#pragma once
// The base of every log sink the host hands out. A plugin's logger gives each sink a formatter of
// its own (the plugin's pattern): an object whose code is the plugin's, and which leaves with the
// plugin's library where the system cannot keep an unloaded library mapped (Windows). So a sink
// never destroys such a formatter, and once the plugin is unloaded the host takes it back with
// ResetLogFormats (SimHost.h) before anything logs again.

#include <memory>
#include <mutex>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>

namespace sim {

class HostSink : public spdlog::sinks::base_sink<std::mutex> {
public:
    ~HostSink() override { formatter_.release(); }

    // Lets go of the formatter in use, unrun and undestroyed, and formats with the host's own.
    void ResetFormat()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        formatter_.release();
        formatter_ = std::make_unique<spdlog::pattern_formatter>();
    }

protected:
    void set_formatter_(std::unique_ptr<spdlog::formatter> formatter) override
    {
        formatter_.release();
        formatter_ = std::move(formatter);
    }
};

}  // namespace sim
