// Where the programs tell their user that the registry cannot be used: on standard error, once
// per problem however often the program asks the registry.
#pragma once

#include <string>

#include "platform/status.h"

namespace kvt::front {

// Says what went wrong unless it was already said; a missing key or value is no problem.
// Answers the status it was given, so a call can be wrapped in it.
const platform::Status& reportRegistryProblem(const platform::Status& status);
// The last problem said in this process, "" when none.
std::string lastRegistryProblem();

}  // namespace kvt::front
