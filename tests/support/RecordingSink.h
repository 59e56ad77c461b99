#pragma once
// A log sink that keeps every formatted line, so tests assert on what the plugin wrote.

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HostSink.h"

namespace testing_support {

class RecordingSink final : public sim::HostSink {
public:
    // Lines as formatted by the logger's pattern, without line ends.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(const_cast<std::mutex&>(mutex_));
        return lines_;
    }
    // Messages only (the text after the pattern's "] "), in order.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const std::string& line : Lines()) {
            const auto mark = line.find("] ");
            messages.push_back(mark == std::string::npos ? line : line.substr(mark + 2));
        }
        return messages;
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
    void flush_() override {}

private:
    std::vector<std::string> lines_;
};

// Adds a recording sink to the host's sinks (before the plugin creates its logger) and returns it.
std::shared_ptr<RecordingSink> RecordHostLog();

}  // namespace testing_support
