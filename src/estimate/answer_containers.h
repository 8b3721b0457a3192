// Containers a function builds only to hand back as the program's answer, which is output:
//   vector<string> all(int n) { vector<string> res; ...; return res; }
//   for (const string& s : all(n)) cout << s << "\n";        printed as it is walked
//   class Solution { vector<int> solve(..) { ...; return ans; } };   returned to the judge
// What a program prints or hands back is not auxiliary storage.
#pragma once

#include "model/model.h"

namespace quorbel {

// True when `symbol` is a local of a function that returns it by name, and every call of that
// function from elsewhere is walked by a range-for whose body prints, or there is no main and
// the function is one the judge calls.
bool isReturnedAnswer(const Model& model, const Symbol& symbol);

}  // namespace quorbel
