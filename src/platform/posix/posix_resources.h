#pragma once
#include "platform/pe_resources.h"

namespace platform {
namespace posix {

// The program's own resources: the PE resource image built into the program.
const PeResources& ProgramResources();

// The resources of the current resource module.
const PeResources& CurrentResources();

}  // namespace posix
}  // namespace platform
