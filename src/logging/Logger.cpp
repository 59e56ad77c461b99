#include "logging/Logger.h"

#include "host/HostApi.h"
#include "logging/LogLine.h"

std::shared_ptr<spdlog::logger>& GetLogger()
{
    static std::shared_ptr<spdlog::logger> holder;
    return holder;
}

void InitLogger(std::shared_ptr<spdlog::logger>& holder, const std::string& name)
{
    const std::vector<spdlog::sink_ptr>& sinks = ArkApi::GetLogSinks();
    holder = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
    holder->set_pattern(kLogPattern, spdlog::pattern_time_type::local);
    holder->flush_on(spdlog::level::info);
}
