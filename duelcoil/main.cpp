#include "duel.h"
#include "platform.h"

int main() {
    if (!consoleOpen()) return 1;
    const int status = runDuel();
    consoleClose();
    return status;
}
