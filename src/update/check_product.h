#pragma once
#include <string>

// Decides for one product whether an update is offered and carries out the user's answer.
// Reports its own failures and always returns normally.
void CheckProductForUpdates(std::string productName, std::string version, std::string locale,
                            bool silent);
