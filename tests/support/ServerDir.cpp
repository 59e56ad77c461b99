#include "support/ServerDir.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "SimHost.h"

namespace testing_support {

namespace fs = std::filesystem;

ServerDir::ServerDir()
{
    std::random_device random;
    const fs::path base = fs::temp_directory_path() / ("dinotuner-test-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(base);
    path_ = base.string();
    sim::SetCurrentDir(path_);
}

ServerDir::~ServerDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ServerDir::ConfigPath() const
{
    return path_ + "/ArkApi/Plugins/DinoTuner/config.json";
}

void ServerDir::WriteConfig(const std::string& text) const
{
    fs::create_directories(fs::path(ConfigPath()).parent_path());
    std::ofstream file(ConfigPath(), std::ios::binary | std::ios::trunc);
    file << text;
}

void ServerDir::DeleteConfig() const
{
    std::error_code ignored;
    fs::remove(ConfigPath(), ignored);
}

}  // namespace testing_support
