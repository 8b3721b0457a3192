// What the program is, read once from its syntax tree: the symbols it declares (with their
// types, constant values and whether they are sizes), the functions, member functions and
// lambdas it defines, and the comments that bound its input. Every estimate reads this model;
// nothing downstream reads the source text again.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cost/cost.h"
#include "model/counted_arrays.h"
#include "model/library_names.h"
#include "model/program_answers.h"
#include "model/tree.h"
#include "syntax/syntax_reader.h"

namespace quorbel {

enum class ContainerKind {
  kScalar,
  kArray,   // int a[N], bool vis[N][M]
  kVector,  // vector, deque, basic list-like sequences
  kString,
  kOrdered,  // set, map, multiset, multimap
  kHashed,   // unordered_set, unordered_map
  kHeap,     // priority_queue
  kQueue,    // queue, stack
  kBitset,
  kStructure,  // atcoder::segtree, dsu, scc_graph: a library structure over n entries
};

struct Symbol {
  std::string name;
  std::string typeText;
  ContainerKind kind = ContainerKind::kScalar;
  std::vector<Cost> dimensions;  // array extents or constructor sizes, outermost first
  std::optional<double> value;   // a named constant's value
  bool isConstant = false;       // const / constexpr / numeric macro
  bool notASize = false;         // a constant only taking remainders or marking values: MOD, INF
  bool countsLevels = false;     // a constant counting doubling levels: up[N][LOG], 1 << j
  bool countsItems = false;      // a constant whose subsets a table holds: dp[1 << K][K]
  bool fromInput = false;        // read by cin, scanf or a read helper
  bool holdsInput = false;       // a container whose entries are read: cin >> a[i]
  bool isParameter = false;
  bool nestedContainer = false;  // vector<vector<..>>, vector<int> adj[N]: a list per slot
  Cost derived;                  // what a scalar was initialised or assigned from, in sizes
  bool hasDerived = false;
  bool assigned = false;     // given a value anywhere: an initialiser, =, +=, ++
  Cost elements;             // entries added over the run: push_back, insert, m[key] = v
  Cost slotWrites;           // entries written into slots: cin >> a[i]
  std::vector<Cost> filled;  // per extent, the largest index written: a[i] = .. for i < n
  int elementBytes = 4;
  int line = 0;
  Node initialiser;
  std::string sizeName;      // a string's length read into a variable: n for n = s.size()
  std::string largestEntry;  // mx of mx = max(mx, a[i]) over the entries read: bounds a[i]
  bool declaredInLoop = false;
  bool literalLimit = false;  // an extent is a literal of at least 1000: an unnamed input limit
  bool bound = false;         // a name of a structured binding: part of a value taken apart
  bool indexed = false;  // used as a[i] somewhere   // the expression it was declared with, if any
  std::string indexes;   // a scalar standing as a whole index of this array: sz[sc], ch[++tot]
  std::string scope;     // the function it is local to; empty for globals and members
  bool member = false;   // declared in a struct or class body
  uint32_t scopeStart = 0, scopeEnd = 0;  // bytes of the block, loop or function it lives in
};

struct Function {
  std::string name;
  std::vector<std::string> parameters;
  std::vector<std::string> parameterTypes;
  std::vector<bool> byReference;  // per parameter: T& x, T* x, Args&... rest
  std::vector<Node> defaults;     // per parameter: the value a call leaving it out passes
  Node body;
  Node definition;
  int line = 0;
  bool isLambda = false;
};

// n = 1 << n, a statement of a block: from the statement's end to the block's end the name
// holds the new value; uses before it keep the old one.
struct Reassignment {
  uint32_t from = 0, to = 0;
  Cost value;
};

// The declarations of each name with their scopes sorted, so that the one in scope at a place
// is found by a search instead of a scan of every declaration of the name (symbols.cpp).
struct DeclarationIndex;

struct Model {
  std::shared_ptr<const std::string> text;  // the macro-expanded source the tree indexes
  std::shared_ptr<TSTree> tree;
  std::shared_ptr<const NodeTable> nodes;  // the tree's nodes read once; `root` and below use it
  Node root;
  std::map<std::string, Symbol> symbols;  // one entry per name, what is known of it anywhere
  // Every declaration with the extent of its scope, for the names a program declares more than
  // once (a parameter named like a loop variable of main).
  std::multimap<std::string, Symbol> declarations;
  // Built by indexDeclarations once `declarations` is settled; used only while it describes
  // this very multimap at its current size, else the declarations are scanned.
  std::shared_ptr<const DeclarationIndex> declarationIndex;
  std::map<std::string, Function> functions;
  // Every member function by its bare name, whichever types define one of that name
  // (Segtree::query beside Hld::query): a call through an object picks its type's.
  std::multimap<std::string, Function> members;
  std::multimap<std::string, Reassignment> reassignments;
  std::vector<std::string> inputOrder;  // sizes in the order the program reads them
  std::set<std::string> testCounts;     // counts of loops whose passes read a size and its items
  // Functions and lambdas that consume the input, each with the parameters it fills from it
  // (a pack's last entry stands for the arguments from there on).
  std::map<std::string, std::vector<bool>> readers;
  std::set<std::string> scalarAliases;  // ll, u64: names of number types, so ll(n) converts n
  LibraryNames library;                 // the AtCoder Library's names as the program uses them
  bool dividesByName = false;           // some x / b divides by a name: block walks are possible
  CountedArrays counted;                // stacks kept by a counter, rows kept with their lengths
  bool sumBoundedTests = false;         // a comment bounds the sum of sizes over test cases
  bool parsed = false;
  // Whole-program answers found once asked (model/program_answers.h); they read only the tree.
  std::shared_ptr<ProgramAnswers> answers = std::make_shared<ProgramAnswers>();
};

// Reads the program from its parse, which `syntax` keeps; the model shares the tree and the text
// (the macro-expanded source) instead of parsing again. Never fails: an unreadable program gives
// an empty model.
Model buildModel(const SyntaxReaderResult& syntax);
// Expands macros, parses and reads the program in one step.
Model buildModel(std::string_view source);

// ---- Questions about symbols ----
const Symbol* findSymbol(const Model& model, std::string_view name);
// The declaration `name` refers to where `use` stands: the innermost scope declaring it first
// (a parameter over a global, a block's local over the function's), else the table's entry.
const Symbol* findSymbolAt(const Model& model, std::string_view name, const Node& use);
// The declaration of `name` whose scope most closely encloses `use`, if any.
Symbol* declarationAt(Model& model, std::string_view name, const Node& use);
// Indexes model.declarations as they are now, for declarationAt.
void indexDeclarations(Model& model);
// The entry holding what the program does with the container `name` where `use` stands: the
// declaration in scope there when the table's entry describes another declaration of that name
// (a helper's local vector<int> v beside main's), else the table's entry.
const Symbol* containerAt(const Model& model, std::string_view name, const Node& use);
Symbol* containerAt(Model& model, std::string_view name, const Node& use);
// The key the facts about that container are gathered under over a walk: its name where the
// table's entry answers for it, else the name and its declaration's scope (v@812).
std::string containerKey(const Model& model, std::string_view name, const Node& use);
// The entry a key of containerKey names (a `#slots` tail aside); null when there is none.
Symbol* entryOfKey(Model& model, const std::string& key);
const Symbol* entryOfKey(const Model& model, const std::string& key);
// The name a key of containerKey is about: "v" of v@812#slots.
std::string nameOfKey(const std::string& key);
// A named constant that stands for an input limit (maxN = 2e5 + 5), not a modulus or infinity.
bool isLimitConstant(const Symbol& symbol);
// A small named constant that counts binary-lifting levels (LOG = 20).
bool isLogConstant(const Symbol& symbol);
// The size the program reads first: what an unsized container is assumed to hold.
Cost primarySize(const Model& model);
// The count of test cases: a value read that a loop counts down or up to, whose passes each
// read a size and the items it counts (while (t--) { cin >> n; ... n numbers ... }).
bool isTestCount(const Model& model, std::string_view name);
// True when a comment states a bound on the sum of a size over all test cases.
bool statesSumBound(std::string_view source);
// The numeric value of a constant expression (2e5 + 5, 1 << 20, MAX - 1), when it has one.
std::optional<double> evaluateConstant(const Model& model, const Node& expression);

}  // namespace quorbel
