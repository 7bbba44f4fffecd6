#include "platform/log.h"

std::string g_log;
