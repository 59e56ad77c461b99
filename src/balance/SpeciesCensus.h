#pragma once
// The creature classes in the world now, as DinoTuner.Species lists them: how an admin finds the
// key of a mod's creature on their own server.

#include <cstdint>
#include <string>
#include <vector>

class BalanceTable;

// One class of the world: its species key (the blueprint path, as "DinoBalance" takes it), its
// wild and tamed dinos (tamed: a team above 5000), and whether an entry of the table applies.
struct SpeciesCount {
    std::string Key;
    std::int32_t Wild = 0;
    std::int32_t Tamed = 0;
    bool HasEntry = false;
};

// Every class of the dinos in the world (dead ones included, dinos being destroyed left out),
// sorted by key; none when the host lacks a name the list needs.
std::vector<SpeciesCount> CountSpecies(const BalanceTable& table);
