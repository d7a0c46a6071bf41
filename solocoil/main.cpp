#include "platform.h"
#include "solo.h"

int main() {
    if (!consoleOpen()) return 1;
    const int status = solo::runSolo();
    consoleClose();
    return status;
}
