// Indexes of the whole program by name, built once per model on first use. The space estimate
// asks of every helper where it is called and named, and of every call which function holds
// it: each question searched the whole tree or every function, so a program of many helpers
// paid for its analysis with the square of its length.
#pragma once

#include <string_view>
#include <vector>

#include "model/model.h"

namespace quorbel {

// The calls whose callee is written exactly `name` (f(x), and f<ll>(x) as f), in source order.
// o.f(x) and ns::f(x) are spelled otherwise and are not among f's.
const std::vector<Node>& callsSpelled(const Model& model, std::string_view name);
// The identifiers written `name`, in source order.
const std::vector<Node>& identifiersSpelled(const Model& model, std::string_view name);
// The function or lambda whose definition is `definition`, the first by name where two share
// one; null when none is.
// REQUIRES: the model's functions are read (buildModel has returned).
const Function* functionDefinedBy(const Model& model, const Node& definition);
// The innermost function or lambda whose definition holds `node`; null at file scope.
// REQUIRES: as functionDefinedBy.
const Function* functionAround(const Model& model, const Node& node);

}  // namespace quorbel
