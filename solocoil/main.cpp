#include "platform.h"
#include "view.h"
#include "solo.h"

int main() {
    if (!consoleOpen(MAP_WIDTH, SLEEP_ROW + 1)) return 1;
    const int status = solo::runSolo();
    consoleClose();
    return status;
}
