#include "logging/Logger.h"

std::shared_ptr<Logger>& GetLogger()
{
    static std::shared_ptr<Logger> holder;
    return holder;
}

void InitLogger(std::shared_ptr<Logger>& holder, const std::string& name)
{
    holder = std::make_shared<Logger>(name);
}
