#pragma once
// A host log sink that keeps every formatted line, so tests assert on what the plugin wrote.

#include <memory>
#include <string>

#include "standin/HostSink.h"
#include "support/RecordedLog.h"

namespace testing_support {

class RecordingSink final : public sim::HostSink, public RecordedLog {
protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        Keep(std::string(formatted.data(), formatted.size()));
    }
    void flush_() override { KeepFlush(); }
};

// Adds a recording sink to the host's sinks (before the plugin creates its logger) and returns it.
std::shared_ptr<RecordingSink> RecordHostLog();

}  // namespace testing_support
