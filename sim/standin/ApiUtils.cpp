// Server-wide queries: the world, the server state and the working directory the host reports.

#include "standin/HostReset.h"
#include "standin/SimHost.h"

namespace {

class ApiUtils final : public ArkApi::IApiUtils {
public:
    UWorld* GetWorld() const override { return World; }
    AShooterGameMode* GetShooterGameMode() const override { return nullptr; }
    ArkApi::ServerStatus GetStatus() const override { return Status; }

    UWorld* World = nullptr;
    ArkApi::ServerStatus Status = ArkApi::ServerStatus::Loading;
};

ApiUtils& Utils()
{
    static ApiUtils utils;
    return utils;
}

std::string& CurrentDir()
{
    static std::string directory = ".";
    return directory;
}

}  // namespace

namespace ArkApi {

IApiUtils& GetApiUtils()
{
    return Utils();
}

namespace Tools {
std::string GetCurrentDir()
{
    return CurrentDir();
}
}  // namespace Tools

}  // namespace ArkApi

namespace sim {

void detail::ResetServer()
{
    Utils().Status = ArkApi::ServerStatus::Loading;
    CurrentDir() = ".";
}

void SetServerStatus(ArkApi::ServerStatus status) { Utils().Status = status; }
void SetWorld(UWorld* world) { Utils().World = world; }

void SetCurrentDir(const std::string& directory)
{
    std::string trimmed = directory;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) {
        trimmed.pop_back();
    }
    CurrentDir() = trimmed.empty() ? "." : trimmed;
}

}  // namespace sim
