// The report as one JSON object, for scripts: the same findings as the text, and each entry's
// values both as read and as the rules use them (null: unchanged).

#include <cstdio>
#include <cstdlib>
#include <map>

#include <fmt/format.h>

#include "CheckReport.h"
#include "Effective.h"

namespace check {

namespace {

using Json = nlohmann::ordered_json;

// A 32-bit value as JSON's double would print it with noise ("0.800000011920929"): written
// instead as the shortest decimal that reads back as the same float, as the plugin's log prints it.
Json Number(float value)
{
    return Json(std::strtod(fmt::format("{}", value).c_str(), nullptr));
}

Json Optional(const std::optional<float>& value)
{
    return value ? Number(*value) : Json(nullptr);
}

Json Entry(const BalancedDino& entry)
{
    const EffectiveValues v = Effective(entry);
    return Json{
        {"values",
         {{"AllowTame", entry.AllowTame},
          {"AllowBreed", entry.AllowBreed},
          {"AllowRide", entry.AllowRide},
          {"DisableNet", entry.DisableNet},
          {"AttackDamageMultiplier", Number(entry.AttackDamageMultiplier)},
          {"DamageResistanceMultiplier", Number(entry.DamageResistanceMultiplier)},
          {"TurretDamageMultiplier", Number(entry.TurretDamageMultiplier)},
          {"ReducedFoodConsumptionSpeedMultiplier", Number(entry.ReducedFoodConsumptionSpeedMultiplier)},
          {"ReducedOxygenConsumptionSpeedMultiplier", Number(entry.ReducedOxygenConsumptionSpeedMultiplier)},
          {"ReducedStaminaConsumptionSpeedMultiplier", Number(entry.ReducedStaminaConsumptionSpeedMultiplier)}}},
        {"effective",
         {{"tame", v.Tame},
          {"breed", v.Breed},
          {"ride", v.Ride},
          {"net", v.Net},
          {"resistance", Optional(v.Resistance)},
          {"attack", Optional(v.Attack)},
          {"turret", Optional(v.Turret)},
          {"food", Optional(v.Food)},
          {"oxygen", Optional(v.Oxygen)},
          {"stamina", Optional(v.Stamina)}}},
    };
}

}  // namespace

void PrintJson(const Report& report, std::FILE* out)
{
    const int status = ExitStatus(report);
    Json result{
        {"file", report.File},
        {"status", status == 1 ? "errors" : status == 3 ? "warnings" : "clean"},
        {"exitStatus", status},
        {"loaded", report.Loaded},
        {"log", report.LogLines},
        {"errors", report.Errors},
        {"warnings", Json::array()},
        {"entries", Json::array()},
    };
    for (const Warning& warning : report.Warnings) {
        result["warnings"].push_back(Json{{"section", warning.Section}, {"key", warning.Key}, {"message", warning.Message}});
    }
    if (report.Loaded) {
        result["global"] = Entry(report.Table.Global);
        std::map<std::string, const BalancedDino*> sorted;
        for (const auto& [key, entry] : report.Table.Dinos) {
            sorted.emplace(key, &entry);
        }
        for (const auto& [key, entry] : sorted) {
            Json item{{"key", key}};
            item.update(Entry(*entry));
            result["entries"].push_back(std::move(item));
        }
    }
    // A parse error may quote bytes that are not UTF-8: they are replaced rather than refused.
    const std::string text = result.dump(2, ' ', false, Json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
}

}  // namespace check
