// A member set in the initialiser list holds its value from the constructor's first statement
// on, so the loops it bounds there run as far as that value.
#include "model/member_inits.h"

#include <algorithm>

#include "model/magnitude.h"

namespace quorbel {

Cost bindInitialisedMembers(const Model& model, const Function& function, const Cost& cost) {
  if (function.definition.null()) return cost;
  Node list;
  for (const Node& part : childrenOf(function.definition))
    if (part.type() == "field_initializer_list") list = part;
  if (list.null()) return cost;
  Cost bound = cost;
  for (const Node& initialiser : childrenOf(list)) {
    if (initialiser.type() != "field_initializer" || initialiser.childCount() < 2) continue;
    const std::string member(initialiser.child(0).text());
    const Symbol* symbol = findSymbol(model, member);
    const Node arguments = initialiser.child(1);
    if (!symbol || !symbol->member || symbol->kind != ContainerKind::kScalar ||
        arguments.childCount() != 1 || mentionsIdentifier(arguments, member))
      continue;
    const std::vector<std::string> sizes = sizesOf(bound);
    if (std::find(sizes.begin(), sizes.end(), member) == sizes.end()) continue;
    bound = substituteSize(bound, member, magnitudeOf(model, arguments.child(0), {}));
  }
  return bound;
}

}  // namespace quorbel
