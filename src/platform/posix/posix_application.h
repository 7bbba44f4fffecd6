#pragma once

namespace platform {
namespace posix {

// Keeps main's argument vector for CommandLineArguments.
void SetArguments(int argc, char** argv);

}  // namespace posix
}  // namespace platform
