#pragma once
// A log sink that keeps every formatted line, so tests assert on what the plugin wrote.

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "standin/HostSink.h"

#include "logging/LogLine.h"

namespace testing_support {

class RecordingSink final : public sim::HostSink {
public:
    // Lines as formatted by the logger's pattern, without line ends.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(const_cast<std::mutex&>(mutex_));
        return lines_;
    }
    // Messages only (the text after the logger's name and level), in order; `level` keeps only
    // the lines of that level ("info", "warning", "error").
    std::vector<std::string> Messages(const std::string& level = "") const
    {
        std::vector<std::string> messages;
        for (const std::string& line : Lines()) {
            const std::optional<LogLine> parsed = ParseLogLine(line);
            if (!parsed) {
                messages.push_back(line);
            } else if (level.empty() || parsed->Level == level) {
                messages.push_back(parsed->Message);
            }
        }
        return messages;
    }
    // How many times the logger flushed this sink.
    std::size_t Flushes() const
    {
        std::lock_guard<std::mutex> guard(const_cast<std::mutex&>(mutex_));
        return flushes_;
    }
    // Number of lines that contain `text`.
    std::size_t Count(const std::string& text) const
    {
        const auto lines = Lines();
        return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(),
                                                      [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        lines_.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        std::string line(formatted.data(), formatted.size());
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        lines_.push_back(std::move(line));
    }
    void flush_() override { ++flushes_; }

private:
    std::vector<std::string> lines_;
    std::size_t flushes_ = 0;
};

// Adds a recording sink to the host's sinks (before the plugin creates its logger) and returns it.
std::shared_ptr<RecordingSink> RecordHostLog();

}  // namespace testing_support
