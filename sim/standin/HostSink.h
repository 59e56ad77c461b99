#pragma once
// The base of every log sink the host hands out. The stand-in host is built with spdlog 1.x, where
// the pattern belongs to the sink: a plugin's logger that sets its pattern gives each of the host's
// shared sinks a formatter of the plugin's making, which formats every later line, the host's and
// other plugins' included, and outlives the plugin's library. A host built with spdlog 1.x keeps it
// there; after the library is unloaded, where the system unmaps it (Windows), its next line or the
// sink's destruction calls into code that is gone. (The real host's spdlog keeps the pattern in the
// logger instead: nothing of a plugin stays in its sinks. See the README.)
//
// The stand-in keeps the plugin's formatter as such a host would, so every test sees what a real
// spdlog 1.x host shows, but it never destroys one: after an unload the simulated server takes
// the formatters back with TakeBackLogFormats (SimHost.h) and says so, so that it can go on.

#include <memory>
#include <mutex>

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>

namespace sim {

class HostSink : public spdlog::sinks::base_sink<std::mutex> {
public:
    ~HostSink() override
    {
        if (pluginFormatter_) {
            (void)formatter_.release();
        }
    }

    // Formats with the host's own formatter again; true when the one it lets go of (unrun and
    // undestroyed) was a plugin's.
    bool TakeBackFormat()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool wasPlugins = pluginFormatter_;
        if (pluginFormatter_) {
            (void)formatter_.release();
        }
        formatter_ = std::make_unique<spdlog::pattern_formatter>();
        pluginFormatter_ = false;
        return wasPlugins;
    }

protected:
    // Called by a logger's set_pattern or set_formatter: only a plugin's logger does that here.
    void set_formatter_(std::unique_ptr<spdlog::formatter> formatter) override
    {
        if (pluginFormatter_) {
            (void)formatter_.release();
        }
        formatter_ = std::move(formatter);
        pluginFormatter_ = true;
    }

private:
    bool pluginFormatter_ = false;
};

}  // namespace sim
