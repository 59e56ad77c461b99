// The one world: registered with the host on first use, loaded with the project's catalog.

#include <cstdio>

#include "host/SimHost.h"
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
        SetWorld(reinterpret_cast<UWorld*>(&world::State().WorldObject));
        return true;
    }();
    (void)started;
    return world;
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
