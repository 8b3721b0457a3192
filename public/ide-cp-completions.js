// Contest snippets and standard-library words for the C++ editor. Monaco offers them in its
// suggestion list; the snippet bodies use Monaco's snippet syntax ($1, ${1:default}, $0).
(function (root) {
  'use strict';

  const SNIPPETS = [
    {
      label: 'fastio',
      detail: 'main() with fast input and output',
      body: [
        '#include <bits/stdc++.h>',
        'using namespace std;',
        '',
        'int main() {',
        '\tios::sync_with_stdio(false);',
        '\tcin.tie(nullptr);',
        '',
        '\t$0',
        '\treturn 0;',
        '}',
      ],
    },
    {
      label: 'testcases',
      detail: 'read t, then solve each test case',
      body: ['int ${1:t};', 'cin >> ${1:t};', 'while (${1:t}--) {', '\t$0', '}'],
    },
    {
      label: 'fori',
      detail: 'for i from 0 to n - 1',
      body: ['for (int ${1:i} = 0; ${1:i} < ${2:n}; ++${1:i}) {', '\t$0', '}'],
    },
    {
      label: 'forr',
      detail: 'for i from n - 1 down to 0',
      body: ['for (int ${1:i} = ${2:n} - 1; ${1:i} >= 0; --${1:i}) {', '\t$0', '}'],
    },
    {
      label: 'forij',
      detail: 'nested loops over i and j',
      body: [
        'for (int ${1:i} = 0; ${1:i} < ${2:n}; ++${1:i}) {',
        '\tfor (int ${3:j} = 0; ${3:j} < ${4:m}; ++${3:j}) {',
        '\t\t$0',
        '\t}',
        '}',
      ],
    },
    {
      label: 'foreach',
      detail: 'range-based for over a container',
      body: ['for (auto& ${1:x} : ${2:a}) {', '\t$0', '}'],
    },
    {
      label: 'readvec',
      detail: 'read n and then n values into a vector',
      body: [
        'int ${1:n};',
        'cin >> ${1:n};',
        'vector<${2:long long}> ${3:a}(${1:n});',
        'for (auto& x : ${3:a}) cin >> x;',
        '$0',
      ],
    },
    {
      label: 'all',
      detail: 'begin and end of a container',
      body: ['${1:a}.begin(), ${1:a}.end()$0'],
    },
    {
      label: 'binsearch',
      detail: 'binary search for the first value that passes a check',
      body: [
        'long long lo = ${1:0}, hi = ${2:1000000000};',
        'while (lo < hi) {',
        '\tlong long mid = lo + (hi - lo) / 2;',
        '\tif (${3:ok(mid)}) hi = mid;',
        '\telse lo = mid + 1;',
        '}',
        '$0',
      ],
    },
    {
      label: 'graph',
      detail: 'read an undirected graph into adjacency lists',
      body: [
        'int ${1:n}, ${2:m};',
        'cin >> ${1:n} >> ${2:m};',
        'vector<vector<int>> adj(${1:n});',
        'for (int e = 0; e < ${2:m}; ++e) {',
        '\tint u, v;',
        '\tcin >> u >> v;',
        '\t--u, --v;',
        '\tadj[u].push_back(v);',
        '\tadj[v].push_back(u);',
        '}',
        '$0',
      ],
    },
    {
      label: 'bfs',
      detail: 'breadth-first search from a source over adj',
      body: [
        'vector<int> dist(${1:n}, -1);',
        'queue<int> q;',
        'dist[${2:0}] = 0;',
        'q.push(${2:0});',
        'while (!q.empty()) {',
        '\tint u = q.front();',
        '\tq.pop();',
        '\tfor (int v : adj[u]) {',
        '\t\tif (dist[v] == -1) {',
        '\t\t\tdist[v] = dist[u] + 1;',
        '\t\t\tq.push(v);',
        '\t\t}',
        '\t}',
        '}',
        '$0',
      ],
    },
    {
      label: 'dsu',
      detail: 'disjoint set union with path compression and union by size',
      body: [
        'struct DSU {',
        '\tvector<int> parent, size;',
        '\tDSU(int n) : parent(n), size(n, 1) { iota(parent.begin(), parent.end(), 0); }',
        '\tint find(int x) { return parent[x] == x ? x : parent[x] = find(parent[x]); }',
        '\tbool unite(int a, int b) {',
        '\t\ta = find(a), b = find(b);',
        '\t\tif (a == b) return false;',
        '\t\tif (size[a] < size[b]) swap(a, b);',
        '\t\tparent[b] = a;',
        '\t\tsize[a] += size[b];',
        '\t\treturn true;',
        '\t}',
        '};',
        '$0',
      ],
    },
    {
      label: 'modpow',
      detail: 'fast modular exponentiation',
      body: [
        'long long modpow(long long base, long long exp, long long mod) {',
        '\tlong long result = 1 % mod;',
        '\tbase %= mod;',
        '\twhile (exp > 0) {',
        '\t\tif (exp & 1) result = result * base % mod;',
        '\t\tbase = base * base % mod;',
        '\t\texp >>= 1;',
        '\t}',
        '\treturn result;',
        '}',
        '$0',
      ],
    },
    {
      label: 'yesno',
      detail: 'print YES or NO',
      body: ['cout << (${1:ok} ? "YES" : "NO") << "\\n";$0'],
    },
  ];

  const LIBRARY_WORDS = [
    'vector', 'array', 'string', 'pair', 'tuple', 'map', 'set', 'multiset', 'multimap',
    'unordered_map', 'unordered_set', 'priority_queue', 'queue', 'deque', 'stack', 'bitset',
    'sort', 'stable_sort', 'reverse', 'unique', 'lower_bound', 'upper_bound', 'binary_search',
    'next_permutation', 'accumulate', 'partial_sum', 'iota', 'fill', 'count', 'find',
    'min_element', 'max_element', 'nth_element', 'gcd', 'lcm', 'swap', 'push_back',
    'emplace_back', 'pop_back', 'make_pair', 'greater', 'numeric_limits', 'memset',
    '__builtin_popcount', '__builtin_popcountll', '__builtin_ctz', '__builtin_clz',
    'ios::sync_with_stdio', 'cin.tie', 'long long', 'unsigned long long',
  ];

  let registered = false;

  // Adds the snippets and words to Monaco's C++ suggestions; safe to call more than once.
  function register(monaco) {
    if (registered || !monaco || !monaco.languages) return;
    registered = true;
    const Kind = monaco.languages.CompletionItemKind;
    const asSnippet = monaco.languages.CompletionItemInsertTextRule.InsertAsSnippet;
    monaco.languages.registerCompletionItemProvider('cpp', {
      provideCompletionItems(model, position) {
        const word = model.getWordUntilPosition(position);
        const range = {
          startLineNumber: position.lineNumber,
          endLineNumber: position.lineNumber,
          startColumn: word.startColumn,
          endColumn: word.endColumn,
        };
        const snippets = SNIPPETS.map((s) => ({
          label: s.label,
          kind: Kind.Snippet,
          detail: s.detail,
          documentation: s.body.join('\n').replace(/\$\{\d+:([^}]*)\}/g, '$1').replace(/\$\d+/g, ''),
          insertText: s.body.join('\n'),
          insertTextRules: asSnippet,
          range,
          sortText: '0' + s.label,
        }));
        const words = LIBRARY_WORDS.map((w) => ({
          label: w,
          kind: Kind.Function,
          insertText: w,
          range,
          sortText: '1' + w,
        }));
        return {suggestions: snippets.concat(words)};
      },
    });
  }

  root.QuorbelCompletions = {register, snippets: SNIPPETS, words: LIBRARY_WORDS};
})(typeof window !== 'undefined' ? window : globalThis);
