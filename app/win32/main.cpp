#include "app/logic/CommLinkService.h"
#include "app/win32/Startup.h"

int main(int argc, char** argv)
{
    kovrin::CommLinkService links;
    return kovrin::win32::RunKovrin(std::vector<std::string>(argv, argv + argc), links);
}
