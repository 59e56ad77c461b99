// The report as one JSON object, for scripts: the same findings as the text, and each entry's
// values both as read and as the rules use them (null: unchanged).

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>

#include <fmt/format.h>

#include "CheckReport.h"
#include "config/EffectiveView.h"
#include "host/Ascii.h"

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
    Json values = Json::object();
    Json effective = Json::object();
    for (const BalanceKey& key : kBalanceKeys) {
        const std::string label = ascii::Lower(key.Label);
        if (key.IsSwitch()) {
            values[key.Name] = entry.*key.Switch;
            effective[label] = ::Allowed(key, entry);
        } else {
            values[key.Name] = Number(entry.*key.Multiplier);
            effective[label] = Optional(::Factor(key, entry));
        }
    }
    // Only an entry that sets them apart has "Tamed" and "Wild": what its tamed and wild dinos get.
    for (const DamageSide& side : kDamageSides) {
        if (!SplitsDamage(entry)) {
            continue;
        }
        Json sideValues = Json::object();
        Json sideEffective = Json::object();
        for (const BalanceKey& key : kBalanceKeys) {
            if (key.SideMultiplier != nullptr) {
                sideValues[key.Name] = Number(ValueOf(key, entry.*side.Settings));
                sideEffective[ascii::Lower(key.Label)] = Optional(Factor(key, entry, side));
            }
        }
        values[side.Name] = std::move(sideValues);
        effective[ascii::Lower(side.Name)] = std::move(sideEffective);
    }
    return Json{{"values", values}, {"effective", effective}};
}

Json FindingJson(const Finding& finding)
{
    return Json{
        {"severity", finding.Level == Severity::Error ? "error" : "warning"},
        {"entry", finding.Entry},
        {"key", finding.Key},
        {"message", finding.Message},
        {"line", finding.Line ? Json(*finding.Line) : Json(nullptr)},
        {"column", finding.Column ? Json(*finding.Column) : Json(nullptr)},
    };
}

const char* StatusName(const Report& report, bool strict)
{
    if (ExitStatus(report, strict) != kClean) {
        return report.Count(Severity::Error) > 0 ? "errors" : "warnings";
    }
    return report.Count(Severity::Warning) > 0 ? "warnings" : "clean";
}

Json FileJson(const Report& report, bool strict)
{
    Json result{
        {"file", report.File},
        {"map", report.Map ? Json(*report.Map) : Json(nullptr)},
        {"status", StatusName(report, strict)},
        {"exitStatus", ExitStatus(report, strict)},
        {"loaded", report.Loaded},
        {"log", report.LogLines},
        {"findings", Json::array()},
        {"entries", Json::array()},
    };
    for (const Finding& finding : report.Findings) {
        result["findings"].push_back(FindingJson(finding));
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
    return result;
}

}  // namespace

void PrintJson(const std::vector<Report>& reports, bool strict, std::FILE* out)
{
    int status = kClean;
    Json files = Json::array();
    for (const Report& report : reports) {
        status = std::max(status, ExitStatus(report, strict));
        files.push_back(FileJson(report, strict));
    }
    const Json result{{"version", DINOTUNER_VERSION}, {"exitStatus", status}, {"files", std::move(files)}};
    // A parse error may quote bytes that are not UTF-8: they are replaced rather than refused.
    const std::string text = result.dump(2, ' ', false, Json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
}

}  // namespace check
