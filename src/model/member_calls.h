// Calls of the program's own member functions through an expression rather than a named object:
//   per[c].set(i, x)        an element of a vector<Tree> or of an array Tree t[26]
//   trees.back().query(l)   an element given by front(), back(), top(), at()
//   it->add(v), p->add(v)   an iterator or a pointer to one
//   (*p).add(v), a.inner.add(v)   a dereferenced pointer, a member
// The call resolves to the member function of the type the object's declaration names.
#pragma once

#include <string>

#include "model/model.h"

namespace quorbel {

// The type a member function belongs to: Tree of `struct Tree { void set(..) {..} };` or of
// `void Tree::set(..) {..}`; empty for a free function or a lambda.
std::string ownerOf(const Function& function);

// The program's member function `call` calls through an element, a member, a dereferenced
// pointer or an iterator whose declared type names the member's type (or is `auto`, reached
// through -> or *); null otherwise, and for calls on a named object.
const Function* memberCalledThrough(const Model& model, const Node& call);

// The member function `name` of the program's type that `typeText` names (Hld of `Hld h(g)`,
// of `vector<Hld>`), among the types defining a member of that name; null when none does.
const Function* memberOfType(const Model& model, std::string_view typeText,
                             const std::string& name);

}  // namespace quorbel
