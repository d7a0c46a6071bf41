#include "duel.h"
#include "platform.h"
#include "view.h"

int main() {
    if (!consoleOpen(MAP_WIDTH, SLEEP_ROW + 1)) return 1;
    const int status = runDuel();
    consoleClose();
    return status;
}
