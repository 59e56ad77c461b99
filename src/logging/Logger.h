#pragma once
// The plugin's named logger over the host's log sinks.

#include <memory>
#include <string>

#include <spdlog/logger.h>

// The process-wide logger holder; empty until InitLogger has run.
std::shared_ptr<spdlog::logger>& GetLogger();
// Creates logger `name` over the host's sinks, stores it in `holder`, sets pattern and flush level.
void InitLogger(std::shared_ptr<spdlog::logger>& holder, const std::string& name);
