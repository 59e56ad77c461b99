#pragma once
// What a recording sink kept of the lines that reached the host's log sinks, without spdlog in
// sight: the logger's tests also run against the host's own spdlog, whose bundled fmt must not meet
// the fmt the plugin formats with (logging/Logger.h) in one file.

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "logging/LogLine.h"

namespace testing_support {

class RecordedLog {
public:
    virtual ~RecordedLog() = default;

    // Lines as formatted by the sink's pattern, without line ends.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(recordLock_);
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
        std::lock_guard<std::mutex> guard(recordLock_);
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
        std::lock_guard<std::mutex> guard(recordLock_);
        lines_.clear();
    }

protected:
    // Keeps one formatted line, its line end taken off.
    void Keep(std::string line)
    {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        std::lock_guard<std::mutex> guard(recordLock_);
        lines_.push_back(std::move(line));
    }
    void KeepFlush()
    {
        std::lock_guard<std::mutex> guard(recordLock_);
        ++flushes_;
    }

private:
    mutable std::mutex recordLock_;
    std::vector<std::string> lines_;
    std::size_t flushes_ = 0;
};

// Adds a recording sink to the host's sinks (before the plugin creates its logger) and returns
// what it records.
std::shared_ptr<RecordedLog> RecordHostLines();
// Writes `message` at info through a logger of the host's own, named "host", over the host's
// sinks and with no pattern set: the line shows whichever formatter the sinks use.
void LogAsTheHost(const std::string& message);

}  // namespace testing_support
