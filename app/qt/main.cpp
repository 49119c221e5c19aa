#include "app/qt/Startup.h"
#include "app/logic/CommLinkService.h"

int main(int argc, char** argv)
{
    kovrin::CommLinkService links;
    return kovrin::RunKovrin(argc, argv, links);
}
