// Commands about the world: species, spawning, a dino's fields and state, and the game calls
// that the plugin detours (damage, taming, mating, multi-use, buffs).

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>

#include <fmt/format.h>

#include "Console.h"
#include "ConsoleError.h"
#include "Help.h"
#include "world/World.h"

namespace console {

namespace {

sim::World& TheWorld()
{
    return sim::World::Get();
}

const sim::SpeciesInfo& RequireSpecies(const std::string& name)
{
    const sim::SpeciesInfo* species = TheWorld().FindSpecies(name);
    if (species == nullptr) {
        std::vector<std::string> known;
        for (const sim::SpeciesInfo& info : TheWorld().Species()) {
            known.push_back(info.Short);
        }
        std::string message = "unknown species '" + name + "'";
        if (const std::string close = ClosestName(known, name); !close.empty()) {
            message += " (did you mean '" + close + "'?)";
        }
        message += "; known species:";
        for (std::size_t i = 0; i < known.size(); ++i) {
            message += (i == 0 ? " " : ", ") + known[i];
        }
        throw ConsoleError(message);
    }
    return *species;
}

void RequireActor(const std::string& id)
{
    if (TheWorld().FindActor(id) == nullptr) {
        throw ConsoleError("unknown id '" + id + "'");
    }
}

// Only dinos take part in the game calls; a structure can only be a damage causer.
void RequireDino(const std::string& id)
{
    RequireActor(id);
    if (!TheWorld().IsDino(id)) {
        throw ConsoleError("'" + id + "' is not a dino");
    }
}

AShooterPlayerController* RequirePlayer(const std::string& name)
{
    AShooterPlayerController* player = TheWorld().FindPlayer(name);
    if (player == nullptr) {
        throw ConsoleError("unknown player '" + name + "'");
    }
    return player;
}

// The player of an optional trailing "by PLAYER", or null without one.
AShooterPlayerController* OptionalPlayer(Arguments& arguments)
{
    const auto options = arguments.KeywordOptions({"by"});
    const auto by = options.find("by");
    return by == options.end() ? nullptr : RequirePlayer(by->second);
}

void Species(Console& console, Arguments& arguments)
{
    arguments.End();
    for (const sim::SpeciesInfo& species : TheWorld().Species()) {
        console.Print(species.Short + " " + species.BlueprintPath);
    }
}

void Class(Console& console, Arguments& arguments)
{
    const std::string name = arguments.Word("species name");
    const std::string reference = arguments.Word("class string reference");
    const auto options = arguments.KeywordOptions({"like"});
    const auto like = options.find("like");
    const sim::SpeciesInfo& model = RequireSpecies(like == options.end() ? "Raptor" : like->second);
    if (TheWorld().FindSpecies(name) != nullptr) {
        throw ConsoleError("species '" + name + "' already exists");
    }
    const sim::SpeciesInfo& added = TheWorld().AddSpecies(name, reference, model);
    console.Print("class " + name + " " + added.BlueprintPath);
}

void Fault(Console& console, Arguments& arguments)
{
    const sim::SpeciesInfo& species = RequireSpecies(arguments.Word("species"));
    const std::string kind = arguments.Word("fault (nospawn, nostatus or none)");
    arguments.End();
    sim::SpawnFault fault = sim::SpawnFault::None;
    if (kind == "nospawn") {
        fault = sim::SpawnFault::NoSpawn;
    } else if (kind == "nostatus") {
        fault = sim::SpawnFault::NoStatus;
    } else if (kind != "none") {
        throw ConsoleError("fault must be nospawn, nostatus or none, not '" + kind + "'");
    }
    TheWorld().SetFault(species.Short, fault);
    console.Print("fault " + species.Short + " " + kind);
}

void Spawn(Console& console, Arguments& arguments)
{
    const sim::SpeciesInfo& species = RequireSpecies(arguments.Word("species"));
    const auto options = arguments.KeywordOptions({"name", "team", "level", "base", "count"});
    std::optional<std::string> id;
    if (const auto name = options.find("name"); name != options.end()) {
        if (name->second.empty() || TheWorld().FindActor(name->second) != nullptr) {
            throw ConsoleError(name->second.empty() ? "an id must not be empty" : "id '" + name->second + "' is taken");
        }
        id = name->second;
    }
    const auto number = [&](const char* key, int fallback) {
        const auto found = options.find(key);
        return found == options.end() ? fallback : ToInt(found->second, key);
    };
    const int team = number("team", 0);
    const int level = number("level", 1);
    const int baseLevel = number("base", level);
    // Many dinos at once, for trying a reload on a populated server: one line for all of them.
    const int count = number("count", 1);
    if (count < 1 || count > 100000 || (count > 1 && id)) {
        throw ConsoleError(id ? "count and name do not go together: each dino needs an id of its own"
                              : "count must be from 1 to 100000");
    }
    std::string error;
    std::optional<std::string> first;
    std::optional<std::string> spawned;
    for (int i = 0; i < count; ++i) {
        spawned = TheWorld().Spawn(species.Short, id, team, level, baseLevel, error);
        if (!spawned) {
            throw ConsoleError(error.empty() ? "spawn of " + species.Short + " failed" : error);
        }
        first = first ? first : spawned;
    }
    if (count == 1) {
        console.Print(fmt::format("spawned {} {} team {} level {}", *spawned, species.BlueprintPath, team, level));
    } else {
        console.Print(fmt::format("spawned {} {} to {} {} team {} level {}", count, *first, *spawned, species.BlueprintPath, team, level));
    }
}

// Extension: how many actors (dinos and structures) the world holds, to show that nothing the
// plugin spawns for itself stays behind.
void Actors(Console& console, Arguments& arguments)
{
    arguments.End();
    console.Print(fmt::format("actors: {}", TheWorld().ActorCount()));
}

// The indexes of the consumption fields named (letter case ignored), or of all fourteen when
// none is named.
std::vector<std::size_t> ChosenFields(Arguments& arguments)
{
    const std::vector<std::string> fieldNames(std::begin(sim::kRateFieldNames), std::end(sim::kRateFieldNames));
    std::vector<std::size_t> chosen;
    while (const auto word = arguments.OptionalWord()) {
        const auto exact = std::find_if(fieldNames.begin(), fieldNames.end(), [&](const std::string& field) {
            return std::equal(field.begin(), field.end(), word->begin(), word->end(),
                              [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
        });
        if (exact == fieldNames.end()) {
            std::string message = "unknown field '" + *word + "'";
            if (const std::string name = ClosestName(fieldNames, *word); !name.empty()) {
                message += " (did you mean '" + name + "'?)";
            }
            throw ConsoleError(message + "; the fields are those that 'show ID' prints");
        }
        chosen.push_back(static_cast<std::size_t>(exact - fieldNames.begin()));
    }
    if (chosen.empty()) {
        for (std::size_t i = 0; i < fieldNames.size(); ++i) {
            chosen.push_back(i);
        }
    }
    return chosen;
}

void Show(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const std::vector<std::size_t> fields = ChosenFields(arguments);
    RequireDino(id);
    const std::vector<std::optional<float>> rates = TheWorld().Rates(id);
    std::string line = id;
    for (const std::size_t i : fields) {
        // A field of a missing status component has no value to print.
        const bool known = i < rates.size() && rates[i].has_value();
        line += fmt::format(" {}={}", sim::kRateFieldNames[i], known ? fmt::format("{}", *rates[i]) : std::string("-"));
    }
    console.Print(line);
    if (!TheWorld().VirtualTablesIntact(id)) {
        console.Print(id + ": its virtual table was overwritten (a write through a field the host does not know)");
    }
}

void Team(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const int team = arguments.Int("team");
    arguments.End();
    RequireActor(id);
    TheWorld().SetTeam(id, team);
    console.Print(fmt::format("team {} {}", id, team));
}

// kill, destroying and nostatus: one dino, one change of state, echoed back.
template <void (sim::World::*Change)(const std::string&)>
void ChangeDino(Console& console, Arguments& arguments, const char* command)
{
    const std::string id = arguments.Word("id");
    arguments.End();
    RequireDino(id);
    (TheWorld().*Change)(id);
    console.Print(fmt::format("{} {}", command, id));
}

void Kill(Console& console, Arguments& arguments)
{
    ChangeDino<&sim::World::Kill>(console, arguments, "kill");
}

void Destroying(Console& console, Arguments& arguments)
{
    ChangeDino<&sim::World::SetDestroying>(console, arguments, "destroying");
}

void NoStatus(Console& console, Arguments& arguments)
{
    ChangeDino<&sim::World::RemoveStatus>(console, arguments, "nostatus");
}

void Hit(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const float amount = arguments.Float("amount");
    const auto options = arguments.KeywordOptions({"by"});
    RequireDino(id);
    const auto by = options.find("by");
    if (by != options.end()) {
        RequireActor(by->second);
    }
    const sim::HitResult result = TheWorld().Hit(id, amount, by == options.end() ? nullptr : &by->second);
    if (!result.Error.empty()) {
        throw ConsoleError(result.Error);
    }
    // When a detour never called the game's TakeDamage, there is no received amount to show.
    const std::string received = result.Reached ? fmt::format("{}", result.Received) : std::string("-");
    console.Print(fmt::format("hit {} {} -> {}, dealt {}", id, amount, received, result.Dealt));
}

void Tame(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    AShooterPlayerController* player = OptionalPlayer(arguments);
    RequireDino(id);
    int teamAfter = 0;
    if (TheWorld().Tame(id, player, teamAfter)) {
        console.Print(fmt::format("tame {}: tamed team {}", id, teamAfter));
    } else {
        console.Print(fmt::format("tame {}: refused", id));
    }
}

void Mate(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const std::string partner = arguments.Word("partner id");
    arguments.End();
    RequireDino(id);
    RequireDino(partner);
    const bool bred = TheWorld().Mate(id, partner);
    console.Print(fmt::format("mate {} {}: {}", id, partner, bred ? "bred" : "refused"));
}

void UseWithIndex(Console& console, const std::string& id, int index, AShooterPlayerController* player)
{
    RequireDino(id);
    const bool used = TheWorld().Use(id, index, player);
    console.Print(fmt::format("use {} {}: {}", id, index, used));
}

void Use(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const int index = arguments.Int("use index");
    UseWithIndex(console, id, index, OptionalPlayer(arguments));
}

// Index 100 is the game's "ride" entry of a dino's multi-use wheel.
void Ride(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    UseWithIndex(console, id, 100, OptionalPlayer(arguments));
}

void Buff(Console& console, Arguments& arguments)
{
    const std::string id = arguments.Word("id");
    const std::string name = arguments.Word("buff name");
    arguments.End();
    RequireDino(id);
    const bool added = TheWorld().Buff(id, name);
    console.Print(fmt::format("buff {} {}: {}", id, name, added ? "added" : "refused"));
}

}  // namespace

void AddWorldCommands(CommandTable& table)
{
    const char* group = kWorldGroup;
    table["species"] = {&Species, false, group, "species", "list the species the world knows, with their blueprint paths",
                        "Prints one line per species: <Short> <blueprint path>\n"
                        "The blueprint path is the key to write in the config's \"DinoBalance\"."};
    table["class"] = {&Class, false, group, "class NAME REF [like SPECIES]", "add a species NAME whose class string reference is REF",
                      "It takes the consumption values and kind of SPECIES (default Raptor).\n"
                      "Prints: class <name> <blueprint path>"};
    table["fault"] = {&Fault, false, group, "fault SPECIES nospawn|nostatus|none", "make the game's spawn of SPECIES fail, or stop doing so",
                      "nospawn: the spawn returns nothing; nostatus: dinos come without a status component.\n"
                      "Prints: fault <short> <kind>"};
    table["spawn"] = {&Spawn, false, group, "spawn SPECIES [name ID] [team N] [level N] [base N] [count N]",
                      "spawn a dino (or a structure) as loaded from a save",
                      "Without a name the id is the species in lower case and a counter (rex1, rex2).\n"
                      "Team 0 is wild; tamed dinos have a team above 5000. Level defaults to 1, base to the level.\n"
                      "count N spawns N alike dinos (without a name) and prints one line for them.\n"
                      "Prints: spawned <id> <blueprint path> team <n> level <n>, or\n"
                      "        spawned <count> <first id> to <last id> <blueprint path> team <n> level <n>"};
    table["show"] = {&Show, false, group, "show ID [FIELD...]", "print a dino's fourteen consumption fields, or those named",
                     "Prints: <id> FoodConsumptionMultiplier=<v> ... SubmergedOxygenDecreaseSpeed=<v> on one line\n"
                     "Field names may be written in any letter case, e.g. show rex1 FoodConsumptionMultiplier\n"
                     "A second line, <id>: its virtual table was overwritten ..., tells that something wrote over\n"
                     "the start of the dino or of its status component, as a write through an unknown field does."};
    table["actors"] = {&Actors, false, group, "actors", "count the dinos and structures in the world", "Prints: actors: <n>"};
    table["team"] = {&Team, false, group, "team ID N", "set the actor's targeting team", "Prints: team <id> <n>"};
    table["kill"] = {&Kill, false, group, "kill ID", "the dino dies (health 0)", "Prints: kill <id>"};
    table["destroying"] = {&Destroying, false, group, "destroying ID", "mark the dino as being destroyed", "Prints: destroying <id>"};
    table["nostatus"] = {&NoStatus, false, group, "nostatus ID", "take the dino's status component away", "Prints: nostatus <id>"};
    table["hit"] = {&Hit, false, group, "hit ID AMOUNT [by CAUSER]", "the game deals AMOUNT damage to dino ID, caused by CAUSER if given",
                    "CAUSER is the id of a dino or a structure (a turret).\n"
                    "Prints: hit <id> <amount> -> <amount the game received>, dealt <what it returned>"};
    table["tame"] = {&Tame, false, group, "tame ID [by PLAYER]", "the game tames the dino, for PLAYER if given",
                     "Prints: tame <id>: tamed team <n>, or tame <id>: refused"};
    table["mate"] = {&Mate, false, group, "mate ID PARTNER", "the game mates two dinos", "Prints: mate <id> <partner>: bred, or refused"};
    table["use"] = {&Use, false, group, "use ID INDEX [by PLAYER]", "the game runs entry INDEX of the dino's multi-use wheel",
                    "Prints: use <id> <index>: true, or false"};
    table["ride"] = {&Ride, false, group, "ride ID [by PLAYER]", "PLAYER mounts the dino (use ID 100)", "Prints: use <id> 100: true, or false"};
    table["buff"] = {&Buff, false, group, "buff ID NAME", "the game adds a buff named NAME to the dino",
                     "Prints: buff <id> <name>: added, or refused"};
}

}  // namespace console
