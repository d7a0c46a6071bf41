#include "platform.h"
#include "solo.h"
#include "view.h"

int main() {
    if (!consoleOpen(MAP_WIDTH, SLEEP_ROW + 1)) return 1;
    const int status = solo::runSolo();
    consoleClose();
    return status;
}
