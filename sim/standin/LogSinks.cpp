// The host's log sinks: one that prints each formatted line (to standard output unless the
// simulated server routes it through its console) and one that writes the server's log file.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "standin/HostReset.h"
#include "standin/HostSink.h"
#include "standin/SimHost.h"

namespace {

// A formatted line without its line end.
std::string LineOf(const spdlog::memory_buf_t& formatted)
{
    std::string line(formatted.data(), formatted.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

class ConsoleSink final : public sim::HostSink {
public:
    std::function<void(const std::string&)> Output;

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        const std::string line = LineOf(formatted);
        if (Output) {
            Output(line);
        } else {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    void flush_() override { std::fflush(stdout); }
};

// Appends to the server's log file; the path is UTF-8, as the host's directory is.
class FileSink final : public sim::HostSink {
public:
    explicit FileSink(const std::filesystem::path& path) : file_(path, std::ios::binary | std::ios::app) {}

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        file_ << LineOf(formatted) << '\n';
    }
    void flush_() override { file_.flush(); }

private:
    std::ofstream file_;
};

std::shared_ptr<ConsoleSink>& Console()
{
    static auto sink = std::make_shared<ConsoleSink>();
    return sink;
}

std::vector<spdlog::sink_ptr>& Sinks()
{
    static std::vector<spdlog::sink_ptr> sinks{Console()};
    return sinks;
}

}  // namespace

std::vector<spdlog::sink_ptr>& GetLogSinks()
{
    return Sinks();
}

namespace sim {

void detail::ResetLogSinks()
{
    Sinks().assign(1, Console());
    Console()->Output = nullptr;
}

void SetLogOutput(std::function<void(const std::string&)> output)
{
    Console()->Output = std::move(output);
}

void OpenLogFile(const std::string& directory)
{
    const std::filesystem::path logs = std::filesystem::u8path(directory) / "ArkApi" / "Logs";
    std::error_code error;
    std::filesystem::create_directories(logs, error);
    Sinks().push_back(std::make_shared<FileSink>(logs / "ArkApi.log"));
}

std::size_t TakeBackLogFormats()
{
    std::size_t taken = 0;
    for (const spdlog::sink_ptr& sink : Sinks()) {
        if (auto* hostSink = dynamic_cast<HostSink*>(sink.get())) {
            taken += hostSink->TakeBackFormat() ? 1 : 0;
        }
    }
    return taken;
}

}  // namespace sim
