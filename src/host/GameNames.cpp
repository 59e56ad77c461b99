#include "host/GameNames.h"

#include <utility>

namespace game {

namespace {

Rules switchedOff = 0;

// Each rule in words, in the order of the Rule bits.
constexpr std::pair<Rules, const char*> kRuleWords[] = {
    {kDamage, "the damage multipliers"},
    {kNetGate, "DisableNet"},
    {kTameGate, "AllowTame"},
    {kBreedGate, "AllowBreed"},
    {kRideGate, "AllowRide"},
    {kFoodRates, "the food rates"},
    {kStaminaRates, "the stamina rates"},
    {kOxygenRates, "the oxygen rates"},
    {kRatesAtBeginPlay, "the rates at BeginPlay"},
    {kRatesOfNewTames, "the rates of new tames"},
    {kChatReply, "the commands' chat replies"},
    {kRconReply, "the commands' RCON replies"},
    {kTamedWildDamage, "the Tamed and Wild damage multipliers"},
    {kMapSections, "the map's own section of \"Maps\""},
    {kSpeciesList, "DinoTuner.Species"},
};

}  // namespace

std::vector<const Name*> ResolveGameNames()
{
    std::vector<const Name*> missing;
    Rules off = 0;
    for (const Name* name : names::kAll) {
        if (!name->Resolve()) {
            missing.push_back(name);
            off |= name->NeededBy();
        }
    }
    switchedOff = off;
    return missing;
}

Rules SwitchedOffRules()
{
    return switchedOff;
}

std::string DescribeRules(Rules rules)
{
    if ((rules & kEveryRule) == kEveryRule) {
        return "every rule";
    }
    std::vector<const char*> words;
    if ((rules & kConsumption) == kConsumption) {
        rules &= ~kConsumption;
        for (const auto& [rule, word] : kRuleWords) {
            if ((rules & rule) != 0) {
                words.push_back(word);
            }
        }
        words.push_back("the consumption rates");
    } else {
        for (const auto& [rule, word] : kRuleWords) {
            if ((rules & rule) != 0) {
                words.push_back(word);
            }
        }
    }
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += i == 0 ? "" : i + 1 == words.size() ? " and " : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace game
