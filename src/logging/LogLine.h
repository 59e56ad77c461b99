#pragma once
// The layout of the plugin's log lines, known in this one place: the logger sets it, and the
// tools and tests that read the plugin's lines back take them apart with ParseLogLine.

#include <optional>
#include <string>

// spdlog's pattern: "03/05/25 14:07 [DinoTuner][info] Config Loaded!" (local time, no seconds).
inline constexpr const char* kLogPattern = "%D %R [%n][%l] %v";

// One line taken apart: the logger's name, the level name ("info", "warning", "error"), the message.
struct LogLine {
    std::string Logger;
    std::string Level;
    std::string Message;
};

// The parts of a line written in kLogPattern; nothing when the line is not in that layout.
std::optional<LogLine> ParseLogLine(const std::string& line);
