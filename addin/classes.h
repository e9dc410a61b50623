#pragma once
// The public classes the add-in library serves, with their program identifiers.

#include "platform/registry/activation.h"

namespace tavro::addin {

std::vector<com::PublicClass> publicClasses();

} // namespace tavro::addin
