// What deploying a new file would change: the lines the plugin logs when a reload takes the new
// file up in place of the old one.

#include <cstdio>
#include <string>

#include "CheckReport.h"
#include "Diff.h"
#include "config/MapSections.h"
#include "config/TableChanges.h"

namespace check {

int PrintDiff(const std::string& oldFile, const std::string& newFile, const std::optional<std::string>& map, std::FILE* out)
{
    Report before;
    before.Map = map;
    LoadWithPlugin(oldFile, before);
    Report after;
    after.Map = map;
    LoadWithPlugin(newFile, after);
    int status = kClean;
    for (const Report* report : {&before, &after}) {
        for (const Finding& finding : report->Findings) {
            if (finding.Level == Severity::Error) {
                std::fprintf(out, "error: %s: %s\n", report->File.c_str(), finding.Message.c_str());
                status = kFailed;
            }
        }
    }
    if (!before.Loaded || !after.Loaded) {
        std::fprintf(out, "no difference shown: the plugin would not use %s\n", (!before.Loaded ? before : after).File.c_str());
        return kFailed;
    }
    TableChanges changes;
    nlohmann::json document = after.Document;
    if (map) {
        ApplyMapSection(document, map);
    }
    before.Table.LoadBalances(document, &changes);
    std::fprintf(out, "A reload from %s to %s%s logs:\n", oldFile.c_str(), newFile.c_str(), map ? (" on map " + *map).c_str() : "");
    for (const std::string& line : changes.Describe()) {
        std::fwrite(line.data(), 1, line.size(), out);
        std::fputc('\n', out);
    }
    return status;
}

}  // namespace check
