// The one world: registered with the host on first use, loaded with the project's catalog.

#include <cstdio>

#include "standin/SimHost.h"
#include "world/WorldState.h"

namespace sim {

World& World::Get()
{
    static World world;
    static const bool started = [] {
        world::RegisterGameNames();
        std::string error;
        if (!world.LoadCatalog(DINOTUNER_SPECIES_CATALOG, error)) {
            world::State().CatalogError = error;
            std::fprintf(stderr, "species catalog not loaded: %s\n", error.c_str());
        }
        world::State().CatalogSpecies = world::State().Species;
        world::State().CatalogClasses = world::State().SpeciesClasses;
        SetWorld(reinterpret_cast<UWorld*>(&world::State().WorldObject));
        return true;
    }();
    (void)started;
    return world;
}

void World::Reset()
{
    world::WorldState& state = world::State();
    state.Buffs.clear();
    state.BuffSerial = 0;
    state.ActorsById.clear();
    state.ActorsByBody.clear();
    state.ActorsByStatus.clear();
    state.Actors.clear();
    state.IdCounters.clear();
    state.PlayersByBody.clear();
    state.Players.clear();
    state.NextPlayerTeam = 50001;
    state.ChatOutput = nullptr;
    state.Connections.clear();
    state.Species = state.CatalogSpecies;
    state.SpeciesClasses = state.CatalogClasses;
    for (world::ClassRecord* cls : state.SpeciesClasses) {
        cls->Fault = SpawnFault::None;
    }
    state.Spawned = 0;
    state.Destroyed = 0;
    state.MapName = "TheIsland";
    SetReported(true);
}

const std::string& World::MapName() const
{
    return world::State().MapName;
}

void World::SetMapName(const std::string& name)
{
    world::State().MapName = name;
}

void World::SetReported(bool reported)
{
    SetWorld(reported ? reinterpret_cast<UWorld*>(&world::State().WorldObject) : nullptr);
}

const std::string& World::CatalogError() const
{
    return world::State().CatalogError;
}

std::uint64_t World::Spawned() const
{
    return world::State().Spawned;
}

std::uint64_t World::Destroyed() const
{
    return world::State().Destroyed;
}

}  // namespace sim
