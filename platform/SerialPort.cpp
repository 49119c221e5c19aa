#include "platform/SerialPort.h"

namespace kovrin {

unsigned BaudForSpeed(int speedSelector)
{
    switch (speedSelector) {
    case 0:
        return 1200;
    case 1:
        return 9600;
    default:
        return 19200;
    }
}

} // namespace kovrin
