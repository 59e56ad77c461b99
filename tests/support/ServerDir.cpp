#include "support/ServerDir.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "standin/SimHost.h"

namespace testing_support {

namespace fs = std::filesystem;

ServerDir::ServerDir(const std::string& suffix)
{
    std::random_device random;
    const std::string name = "dinotuner-test-" + std::to_string(random()) + std::to_string(random()) + suffix;
    const fs::path base = fs::temp_directory_path() / fs::u8path(name);
    fs::create_directories(base);
    path_ = base.u8string();
    sim::SetCurrentDir(path_);
}

ServerDir::~ServerDir()
{
    std::error_code ignored;
    fs::remove_all(fs::u8path(path_), ignored);
}

std::string ServerDir::ConfigPath() const
{
    return path_ + "/ArkApi/Plugins/DinoTuner/config.json";
}

void ServerDir::WriteConfig(const std::string& text) const
{
    fs::create_directories(fs::u8path(ConfigPath()).parent_path());
    std::ofstream file(fs::u8path(ConfigPath()), std::ios::binary | std::ios::trunc);
    file << text;
}

void ServerDir::DeleteConfig() const
{
    std::error_code ignored;
    fs::remove(fs::u8path(ConfigPath()), ignored);
}

}  // namespace testing_support
