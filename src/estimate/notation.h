// The texts users see for a term: its label and pattern.
#pragma once

#include <string>
#include <vector>

#include "estimate/term.h"

namespace quorbel {

// Plain-language class ("Quadratic") and algorithmic pattern ("Binary search") of a term.
std::string labelFor(const Term& term);
std::string patternFor(const Term& term);

}  // namespace quorbel
