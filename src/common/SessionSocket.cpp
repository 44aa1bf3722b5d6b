#include "common/SessionSocket.h"

TSessionEndpoint* SessionSocket = nullptr;
