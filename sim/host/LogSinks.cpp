// The host's log sinks: one that prints each formatted line (to standard output unless the
// simulated server routes it through its console) and one that writes the server's log file.

#include <filesystem>
#include <mutex>

#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/basic_file_sink.h>

#include "HostReset.h"
#include "SimHost.h"

namespace {

class ConsoleSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::function<void(const std::string&)> Output;

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        spdlog::memory_buf_t formatted;
        formatter_->format(message, formatted);
        std::string line(formatted.data(), formatted.size());
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        if (Output) {
            Output(line);
        } else {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    void flush_() override { std::fflush(stdout); }
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

namespace ArkApi {

std::vector<spdlog::sink_ptr>& GetLogSinks()
{
    return Sinks();
}

}  // namespace ArkApi

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
    const std::filesystem::path logs = std::filesystem::path(directory) / "ArkApi" / "Logs";
    std::error_code error;
    std::filesystem::create_directories(logs, error);
    Sinks().push_back(std::make_shared<spdlog::sinks::basic_file_sink_mt>((logs / "ArkApi.log").string()));
}

}  // namespace sim
