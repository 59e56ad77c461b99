#pragma once
// Which map this server runs, as the game names it: what picks the section of "Maps" in effect.

#include <optional>
#include <string>

// The map's name from the game ("TheIsland", "Ragnarok"); none when it cannot be read, with the
// reason in `whyNot` (the host does not know the game's function, no world yet, an empty name).
std::optional<std::string> ReadMapName(std::string& whyNot);
