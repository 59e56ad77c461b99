#include "world/WorldState.h"

#include <algorithm>
#include <cctype>

#include "standin/SimHost.h"

namespace sim::world {

const RateSlot kRateSlots[kRateCount] = {
    {true, 0},  {true, 1},  {true, 2},  {true, 3},  {true, 4},  {true, 5},  {true, 6},
    {false, 0}, {false, 1}, {false, 2}, {false, 3}, {false, 4}, {false, 5}, {true, 7},
};

namespace {

FName InternIn(WorldState& state, const std::string& text)
{
    auto found = state.NameIndex.find(text);
    if (found == state.NameIndex.end()) {
        found = state.NameIndex.emplace(text, static_cast<std::int32_t>(state.Names.size())).first;
        state.Names.push_back(text);
    }
    FName name;
    name.ComparisonIndex = found->second;
    return name;
}

ClassRecord& NewClassIn(WorldState& state, const std::string& shortName, const std::u16string& reference,
                        const ClassRecord* super)
{
    auto record = std::make_unique<ClassRecord>();
    record->Body.Object.Name = InternIn(state, shortName + "_C");
    // "/Game/.../Rex_Character_BP.Rex_Character_BP_C" lives in the package "/Game/.../Rex_Character_BP".
    const std::size_t dot = reference.rfind(u'.');
    record->Package.Name = InternIn(state, Utf16ToUtf8(reference.substr(0, dot == std::u16string::npos ? reference.size() : dot)));
    record->Body.Object.Outer = reinterpret_cast<UObject*>(&record->Package);
    record->Body.Super = super ? &super->Body : nullptr;
    record->StringReference = reference;
    // The game's blueprint path: the reference less its "_C", quoted.
    const std::size_t stem = reference.size() >= 2 ? reference.size() - 2 : 0;
    record->BlueprintPath = u"Blueprint'" + reference.substr(0, stem) + u"'";
    ClassRecord& added = *record;
    state.ClassesByBody.emplace(&added.Body, &added);
    state.Classes.push_back(std::move(record));
    return added;
}

WorldState MakeState()
{
    WorldState state;
    state.Names.push_back("None");  // index 0, the game's empty name
    state.NameIndex.emplace("None", 0);
    // The native classes the plugin and the world need; species classes derive from the first two.
    ClassRecord& actor = NewClassIn(state, "Actor", u"/Script/Engine.Actor", nullptr);
    state.DinoClass = &NewClassIn(state, "PrimalDinoCharacter", u"/Script/ShooterGame.PrimalDinoCharacter", &actor);
    state.StructureClass = &NewClassIn(state, "PrimalStructure", u"/Script/ShooterGame.PrimalStructure", &actor);
    state.BuffClass = &NewClassIn(state, "PrimalBuff", u"/Script/ShooterGame.PrimalBuff", &actor);
    state.PlayerClass = &NewClassIn(state, "ShooterPlayerController", u"/Script/ShooterGame.ShooterPlayerController", &actor);
    state.StatusClass = &NewClassIn(state, "PrimalCharacterStatusComponent",
                                    u"/Script/ShooterGame.PrimalCharacterStatusComponent", nullptr);
    state.WorldClass = &NewClassIn(state, "World", u"/Script/Engine.World", nullptr);
    state.ConnectionClass = &NewClassIn(state, "RCONClientConnection", u"/Script/ShooterGame.RCONClientConnection", nullptr);
    state.WorldObject.Class = reinterpret_cast<UClass*>(&state.WorldClass->Body);
    state.WorldObject.Name = InternIn(state, "TheIsland");
    return state;
}

void AppendUtf16(std::u16string& out, char32_t code)
{
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
}

}  // namespace

WorldState& State()
{
    static WorldState state = MakeState();
    return state;
}

// ---- names and text ----

FName InternName(const std::string& text)
{
    return InternIn(State(), text);
}

const std::string* NameText(const FName& name)
{
    const WorldState& state = State();
    if (name.ComparisonIndex < 0 || static_cast<std::size_t>(name.ComparisonIndex) >= state.Names.size()) {
        return nullptr;
    }
    return &state.Names[static_cast<std::size_t>(name.ComparisonIndex)];
}

std::u16string Utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        char32_t code = extra == 0 ? lead : extra == 1 ? (lead & 0x1Fu) : extra == 2 ? (lead & 0x0Fu) : (lead & 0x07u);
        bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        AppendUtf16(out, code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& text)
{
    const FString units(text.data(), static_cast<int>(text.size()));
    return units.ToString();
}


// ---- classes ----

ClassRecord& NewClass(const std::string& shortName, const std::u16string& reference, const ClassRecord* super)
{
    return NewClassIn(State(), shortName, reference, super);
}

ClassRecord* ClassByBody(const void* body)
{
    const WorldState& state = State();
    const auto found = state.ClassesByBody.find(body);
    return found == state.ClassesByBody.end() ? nullptr : found->second;
}

bool ClassIsA(const ClassBody* cls, const ClassBody* ancestor)
{
    for (; cls != nullptr; cls = cls->Super) {
        if (cls == ancestor) {
            return true;
        }
    }
    return false;
}

// ---- objects ----

const ObjectHeader* KnownObject(const void* pointer)
{
    WorldState& state = State();
    if (pointer == nullptr) {
        return nullptr;
    }
    if (pointer == &state.WorldObject) {
        return &state.WorldObject;
    }
    if (ClassRecord* cls = ClassByBody(pointer)) {
        return &cls->Body.Object;
    }
    if (ActorRecord* actor = ActorByBody(pointer)) {
        return &actor->Body.Object;
    }
    if (ActorRecord* dino = DinoByStatus(pointer)) {
        return &dino->Status.Object;
    }
    if (BuffRecord* buff = BuffByBody(pointer)) {
        return &buff->Body.Object;
    }
    if (PlayerRecord* player = PlayerByBody(pointer)) {
        return &player->Body.Object;
    }
    const auto connection = state.Connections.find(pointer);
    return connection == state.Connections.end() ? nullptr : &connection->second->Body;
}

ActorRecord* ActorById(const std::string& id)
{
    const WorldState& state = State();
    const auto found = state.ActorsById.find(id);
    return found == state.ActorsById.end() ? nullptr : found->second;
}

// A reload's sweep asks about every dino, in the order the world listed them: the actor after
// the one found last is tried before the index, so that the sweep walks the world's list
// rather than jumping about the index of tens of thousands of actors.
ActorRecord* ActorByBody(const void* body)
{
    WorldState& state = State();
    if (state.NextByBody < state.Actors.size() && &state.Actors[state.NextByBody]->Body == body) {
        return state.Actors[state.NextByBody++].get();
    }
    const auto indexed = state.ActorsByBody.find(body);
    ActorRecord* found = indexed == state.ActorsByBody.end() ? nullptr : indexed->second;
    if (found != nullptr) {
        state.NextByBody = found->Position + 1;
    }
    return found;
}

ActorRecord* DinoByBody(const void* body)
{
    ActorRecord* actor = ActorByBody(body);
    return actor != nullptr && actor->IsDino ? actor : nullptr;
}

ActorRecord* DinoByStatus(const void* status)
{
    WorldState& state = State();
    if (state.NextByStatus < state.Actors.size()) {
        ActorRecord* next = state.Actors[state.NextByStatus].get();
        if (&next->Status == status && next->StatusKnown) {
            ++state.NextByStatus;
            return next;
        }
    }
    const auto indexed = state.ActorsByStatus.find(status);
    ActorRecord* found = indexed == state.ActorsByStatus.end() ? nullptr : indexed->second;
    if (found != nullptr) {
        state.NextByStatus = found->Position + 1;
    }
    return found;
}

PlayerRecord* PlayerByBody(const void* body)
{
    const WorldState& state = State();
    const auto found = state.PlayersByBody.find(body);
    return found == state.PlayersByBody.end() ? nullptr : found->second;
}

BuffRecord* BuffByBody(const void* body)
{
    const WorldState& state = State();
    const auto found = state.Buffs.find(body);
    return found == state.Buffs.end() ? nullptr : found->second.get();
}

std::string NextId(const std::string& stem)
{
    WorldState& state = State();
    int& counter = state.IdCounters[stem];
    std::string id;
    do {
        id = stem + std::to_string(++counter);
    } while (state.ActorsById.count(id) != 0);
    return id;
}

std::shared_ptr<ActorRecord> CreateActor(const ClassRecord& cls, const std::string& id, int team, int level, int baseLevel)
{
    WorldState& state = State();
    auto actor = std::make_shared<ActorRecord>();
    actor->Id = id;
    actor->Class = &cls;
    actor->IsDino = !cls.IsStructure;
    actor->Body.Object.Class = reinterpret_cast<UClass*>(const_cast<ClassBody*>(&cls.Body));
    actor->Body.Object.Name = InternName(id);
    actor->Body.Object.Name.Number = ++state.LastNameNumber;
    actor->Body.TargetingTeam = team;
    if (actor->IsDino) {
        actor->Body.DinoFlags = kDinoFlagsAtSpawn;
        actor->Status.Object.Class = reinterpret_cast<UClass*>(&state.StatusClass->Body);
        actor->Status.Object.Name = InternName(id + "_Status");
        actor->Status.CharacterLevel = level;
        actor->Status.BaseCharacterLevel = baseLevel;
        for (int i = 0; i < kRateCount; ++i) {
            const RateSlot slot = kRateSlots[i];
            (slot.OnStatus ? actor->Status.Rates : actor->Body.DinoRates)[slot.Index] = cls.Rates[i];
        }
        if (cls.Fault != SpawnFault::NoStatus) {
            actor->Body.StatusComponent = reinterpret_cast<UPrimalCharacterStatusComponent*>(&actor->Status);
            state.ActorsByStatus.emplace(&actor->Status, actor.get());
            actor->StatusKnown = true;
        }
    }
    actor->Position = state.Actors.size();
    state.Actors.push_back(actor);
    state.ActorsById.emplace(id, actor.get());
    state.ActorsByBody.emplace(&actor->Body, actor.get());
    ++state.Spawned;
    return actor;
}

bool RunBeginPlay(const std::shared_ptr<ActorRecord>& dino)
{
    sim::CallGame<void>("APrimalDinoCharacter.BeginPlay", reinterpret_cast<APrimalDinoCharacter*>(&dino->Body));
    return ActorByBody(&dino->Body) == dino.get();
}

void DropStatus(ActorRecord& dino)
{
    State().ActorsByStatus.erase(&dino.Status);
    dino.StatusKnown = false;
    dino.Body.StatusComponent = nullptr;
}

bool DestroyActor(const void* body)
{
    WorldState& state = State();
    ActorRecord* actor = ActorByBody(body);
    if (actor == nullptr) {
        return false;
    }
    // Keeps the record alive until this function is done, whoever else still holds it. The
    // actors after it move up one place.
    const auto found = state.Actors.begin() + static_cast<std::ptrdiff_t>(actor->Position);
    const std::shared_ptr<ActorRecord> keep = *found;
    state.Actors.erase(found);
    for (std::size_t i = actor->Position; i < state.Actors.size(); ++i) {
        state.Actors[i]->Position = i;
    }
    DropStatus(*actor);
    state.ActorsById.erase(actor->Id);
    state.ActorsByBody.erase(body);
    for (auto buff = state.Buffs.begin(); buff != state.Buffs.end();) {
        buff = buff->second->Target == body ? state.Buffs.erase(buff) : std::next(buff);
    }
    ++state.Destroyed;
    return true;
}

}  // namespace sim::world
