// Fuzz target: the configuration file as the plugin takes it at load and at reload. The bytes
// become the file; at load ConfigFile reads it and an empty table is filled; at reload the file
// is parsed afresh and fills a table that already holds entries, telling what changed. Beyond
// the sanitizers, the two paths must agree with each other and with what TableChanges reports.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "config/BalanceKeys.h"
#include "config/BalanceTable.h"
#include "config/ConfigFile.h"
#include "config/TableChanges.h"

namespace {

using nlohmann::json;

// What the server ran with before the reload: a global entry and species the inputs may keep,
// change or drop.
const char* kRunningConfig = R"({
  "GlobalDinoBalance": { "ReducedFoodConsumptionSpeedMultiplier": 0.9 },
  "DinoBalance": {
    "Blueprint'/Game/PrimalEarth/Dinos/Rex/Rex_Character_BP.Rex_Character_BP'": { "DamageResistanceMultiplier": 2.0, "AllowBreed": false },
    "Blueprint'/Game/PrimalEarth/Dinos/Raptor/Raptor_Character_BP.Raptor_Character_BP'": { "AttackDamageMultiplier": 1.5 },
    "Blueprint'/Game/PrimalEarth/Dinos/Dodo/Dodo_Character_BP.Dodo_Character_BP'": null
  }
})";

void FillWithRunningConfig(BalanceTable& table)
{
    static const json running = json::parse(kRunningConfig);
    table.LoadBalances(running);
}

bool SameTable(const BalanceTable& a, const BalanceTable& b)
{
    if (!SameValues(a.Global, b.Global) || a.Dinos.size() != b.Dinos.size()) {
        return false;
    }
    for (const auto& [key, entry] : a.Dinos) {
        const BalancedDino* other = b.Find(key);
        if (other == nullptr || !SameValues(entry, *other)) {
            return false;
        }
    }
    return true;
}

bool SameReport(const LoadReport& a, const LoadReport& b)
{
    if (a.Stored != b.Stored || a.Entries != b.Entries || a.Failures.size() != b.Failures.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Failures.size(); ++i) {
        if (a.Failures[i].Message != b.Failures[i].Message || a.Failures[i].Key != b.Failures[i].Key) {
            return false;
        }
    }
    return true;
}

// The report of a fill must add up, and the table holds at most what was stored (two keys cut to
// one at a zero character are stored twice, kept once).
void CheckReport(const LoadReport& report, const BalanceTable& table)
{
    const auto skipped = static_cast<std::int32_t>(report.Failures.size());
    FUZZ_CHECK(report.Entries >= 0 && skipped <= report.Entries, "report counts out of range");
    FUZZ_CHECK(report.Stored == report.Entries - skipped, "stored + skipped != entries");
    for (const EntryFailure& failure : report.Failures) {
        FUZZ_CHECK(!failure.Message.empty(), "a skipped entry without its error");
    }
    FUZZ_CHECK(table.Dinos.size() <= static_cast<std::size_t>(report.Stored), "more species in the table than stored");
}

// What TableChanges says must be what happened between `before` and `after`.
void CheckChanges(const TableChanges& changes, const BalanceTable& before, const BalanceTable& after)
{
    std::int32_t added = 0;
    std::int32_t changed = 0;
    std::int32_t removed = 0;
    for (const auto& [key, entry] : after.Dinos) {
        const BalancedDino* old = before.Find(key);
        if (old == nullptr) {
            ++added;
            FUZZ_CHECK(SameValues(changes.BalanceBefore(key, after.Find(key)), before.Global),
                       "an added species was not on the global entry before");
        } else {
            changed += SameValues(*old, entry) ? 0 : 1;
            FUZZ_CHECK(SameValues(changes.BalanceBefore(key, after.Find(key)), *old), "BalanceBefore is not the species' old entry");
        }
    }
    for (const auto& [key, entry] : before.Dinos) {
        if (after.Find(key) == nullptr) {
            ++removed;
            FUZZ_CHECK(SameValues(changes.BalanceBefore(key, after.Find(key)), entry), "BalanceBefore lost a removed species' entry");
        }
    }
    FUZZ_CHECK(changes.AddedCount == added, "added count");
    FUZZ_CHECK(changes.ChangedCount == changed, "changed count");
    FUZZ_CHECK(changes.RemovedCount == removed, "removed count");
    FUZZ_CHECK(changes.GlobalChanged == !SameValues(before.Global, after.Global), "global changed flag");

    const std::vector<std::string> lines = changes.Describe();
    FUZZ_CHECK(!lines.empty() && lines.back().rfind("Species entries: ", 0) == 0, "Describe ends without its summary");
    FUZZ_CHECK(lines.size() <= TableChanges::kMaxLines + 3, "Describe wrote more lines than its cap");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = (fuzz::QuietPluginLogs(), true);
    (void)quiet;
    const std::string& path = fuzz::WriteScratchFile(data, size);

    // As at load: read the file, then fill an empty table. Load catches what these throw.
    ConfigFile atLoad(path);
    BalanceTable loaded;
    std::optional<LoadReport> loadReport;
    try {
        atLoad.Read();
        loadReport = loaded.LoadBalances(atLoad.Document);
    } catch (const std::exception&) {
    }
    if (!loadReport) {
        FUZZ_CHECK(loaded.Dinos.empty() && SameValues(loaded.Global, BalancedDino()), "a failed load left entries behind");
    }

    // As at reload: a fresh parse fills a table that holds the running configuration.
    BalanceTable running;
    BalanceTable reloaded;
    FillWithRunningConfig(running);
    FillWithRunningConfig(reloaded);
    ConfigFile atReload(path);
    TableChanges changes;
    std::optional<LoadReport> reloadReport;
    try {
        json document = atReload.Parse();
        reloadReport = reloaded.LoadBalances(document, &changes);
        atReload.Document = std::move(document);
    } catch (const std::exception&) {
    }

    FUZZ_CHECK(loadReport.has_value() == reloadReport.has_value(), "load and reload disagree on whether the file can be used");
    if (!reloadReport) {
        FUZZ_CHECK(SameTable(reloaded, running), "a failed reload changed the running table");
        return 0;
    }
    CheckReport(*loadReport, loaded);
    FUZZ_CHECK(SameReport(*loadReport, *reloadReport), "load and reload report the same file differently");
    FUZZ_CHECK(SameTable(reloaded, loaded), "load and reload of the same file give different tables");
    CheckChanges(changes, running, reloaded);

    // Reloading the same document again changes nothing.
    TableChanges again;
    const LoadReport repeated = reloaded.LoadBalances(atReload.Document, &again);
    FUZZ_CHECK(SameReport(repeated, *reloadReport), "a second reload of the same file reports differently");
    FUZZ_CHECK(again.AddedCount == 0 && again.ChangedCount == 0 && again.RemovedCount == 0 && !again.GlobalChanged,
               "a second reload of the same file reports changes");
    FUZZ_CHECK(SameTable(reloaded, loaded), "a second reload of the same file changed the table");
    return 0;
}
