#pragma once
// What DinoTuner.Status, DinoTuner.Show and DinoTuner.Species tell the admin about the running
// plugin, made from the plugin's state: the file in effect, the table, the world.

#include <cstdint>
#include <string>

#include "commands/InfoCommands.h"

class DinoTuner;

// The file the table in effect was filled from.
struct TableFacts {
    bool Filled = false;
    // The first 12 hex digits of the SHA-256 of the bytes read.
    std::string Revision;
    // When it was read, local time ("2026-12-08 17:40:01").
    std::string ReadAt;
    std::int32_t Entries = 0;
    std::int32_t Skipped = 0;
    std::int32_t Warnings = 0;
};

// A read of the file that left the table as it was (at load or at a reload).
struct FailedAttempt {
    bool Happened = false;
    std::string At;
    std::string Error;
};

// The local time now, as TableFacts and FailedAttempt keep it.
std::string TimeNow();

// The plugin's version, where its file is, the table in effect, the last failed read when it came
// after, and the game names the host did not know at load.
Reply StatusReply(const DinoTuner& plugin);
// The entry `species` gets (a key, a path without Blueprint'…', or a class name) and its effective
// values, what the global section gives it when it has none, or the nearest key when nothing matches.
Reply ShowReply(const DinoTuner& plugin, const std::string& species);
// Writes species.txt beside the config file: a line per creature class in the world; replies
// with the number of classes and dinos and the file's path.
Reply SpeciesReply(const DinoTuner& plugin);
