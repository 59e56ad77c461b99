#include "balance/SpeciesCensus.h"

#include <map>

#include "balance/BalanceLookup.h"
#include "config/BalanceTable.h"
#include "host/GameMemory.h"
#include "host/GameNames.h"

namespace {

namespace names = game::names;

}  // namespace

std::vector<SpeciesCount> CountSpecies(const BalanceTable& table)
{
    std::vector<SpeciesCount> counts;
    if (!game::RulesOn(game::kSpeciesList)) {
        return counts;
    }
    TArray<AActor*> actors;
    names::kAllActorsOfClass(static_cast<UObject*>(ArkApi::GetApiUtils().GetWorld()), names::kDinoClass(), &actors);
    struct FreedAtEnd {
        TArray<AActor*>& Actors;
        ~FreedAtEnd() { game::Free(Actors.Data); }
    } freed{actors};

    // Keyed by the class's path, so one class met under two paths (it cannot be) or two classes
    // with one path (a mod may reuse one) are one line, as they are one entry.
    std::map<std::string, SpeciesCount> byKey;
    for (std::int32_t i = 0; i < actors.ArrayNum; ++i) {
        const AActor* dino = actors.Data[i];
        if (dino == nullptr || names::kIsDestroyingDino.Read(dino) != 0) {
            continue;
        }
        const std::string& key = SpeciesKeyOf(table, dino);
        if (key.empty()) {
            continue;
        }
        SpeciesCount& count = byKey[key];
        ++(names::kTargetingTeam.Read(dino) > kTamedTeamThreshold ? count.Tamed : count.Wild);
    }
    counts.reserve(byKey.size());
    for (auto& [key, count] : byKey) {
        count.Key = key;
        count.HasEntry = table.Find(key) != nullptr;
        counts.push_back(std::move(count));
    }
    return counts;
}
