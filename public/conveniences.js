// What users of online judges and editors expect around the editor: a few example solutions to
// start from, and opening or dropping a .cpp file onto the editor.
(function (root) {
  'use strict';

  const EXAMPLES = [
    {name: 'Sorting and one pass', code: [
      '// 1 <= n <= 2*10^5',
      '#include <bits/stdc++.h>',
      'using namespace std;',
      '',
      'int main() {',
      '    int n;',
      '    cin >> n;',
      '    vector<long long> a(n);',
      '    for (auto& x : a) cin >> x;',
      '    sort(a.begin(), a.end());',
      '    long long best = 0;',
      '    for (int i = 0; i < n; i++) best = max(best, a[i] * (n - i));',
      '    cout << best << "\\n";',
      '}',
    ]},
    {name: 'Dijkstra with a binary heap', code: [
      '// 1 <= n, m <= 2*10^5',
      '#include <bits/stdc++.h>',
      'using namespace std;',
      '',
      'int main() {',
      '    int n, m;',
      '    cin >> n >> m;',
      '    vector<vector<pair<int, long long>>> g(n);',
      '    for (int i = 0; i < m; i++) {',
      '        int u, v;',
      '        long long w;',
      '        cin >> u >> v >> w;',
      '        g[u - 1].push_back({v - 1, w});',
      '    }',
      '    vector<long long> dist(n, LLONG_MAX);',
      '    priority_queue<pair<long long, int>, vector<pair<long long, int>>, greater<>> pq;',
      '    dist[0] = 0;',
      '    pq.push({0, 0});',
      '    while (!pq.empty()) {',
      '        auto [d, u] = pq.top();',
      '        pq.pop();',
      '        if (d != dist[u]) continue;',
      '        for (auto [v, w] : g[u]) {',
      '            if (d + w < dist[v]) {',
      '                dist[v] = d + w;',
      '                pq.push({dist[v], v});',
      '            }',
      '        }',
      '    }',
      '    for (int i = 0; i < n; i++) cout << dist[i] << " \\n"[i + 1 == n];',
      '}',
    ]},
    {name: 'Bitmask DP over subsets', code: [
      '// 1 <= n <= 20',
      '#include <bits/stdc++.h>',
      'using namespace std;',
      '',
      'int main() {',
      '    int n;',
      '    cin >> n;',
      '    vector<vector<int>> cost(n, vector<int>(n));',
      '    for (auto& row : cost) for (auto& c : row) cin >> c;',
      '    vector<int> best(1 << n, INT_MAX);',
      '    best[0] = 0;',
      '    for (int mask = 0; mask < (1 << n); mask++) {',
      '        int person = __builtin_popcount(mask);',
      '        if (person >= n || best[mask] == INT_MAX) continue;',
      '        for (int job = 0; job < n; job++) {',
      '            if (mask >> job & 1) continue;',
      '            int next = mask | 1 << job;',
      '            best[next] = min(best[next], best[mask] + cost[person][job]);',
      '        }',
      '    }',
      '    cout << best[(1 << n) - 1] << "\\n";',
      '}',
    ]},
    {name: 'Binary search on the answer', code: [
      '// 1 <= n <= 10^5, 1 <= a[i] <= 10^9',
      '#include <bits/stdc++.h>',
      'using namespace std;',
      '',
      'int main() {',
      '    int n;',
      '    long long k;',
      '    cin >> n >> k;',
      '    vector<long long> a(n);',
      '    for (auto& x : a) cin >> x;',
      '    long long lo = 1, hi = 1e9;',
      '    while (lo < hi) {',
      '        long long mid = (lo + hi) / 2, pieces = 0;',
      '        for (long long x : a) pieces += x / mid;',
      '        if (pieces >= k) lo = mid + 1;',
      '        else hi = mid;',
      '    }',
      '    cout << lo - 1 << "\\n";',
      '}',
    ]},
    {name: 'Quadratic brute force (too slow at 10^5)', code: [
      '// 1 <= n <= 10^5',
      '#include <bits/stdc++.h>',
      'using namespace std;',
      '',
      'int main() {',
      '    int n;',
      '    cin >> n;',
      '    vector<int> a(n);',
      '    for (auto& x : a) cin >> x;',
      '    long long inversions = 0;',
      '    for (int i = 0; i < n; i++)',
      '        for (int j = i + 1; j < n; j++)',
      '            if (a[i] > a[j]) inversions++;',
      '    cout << inversions << "\\n";',
      '}',
    ]},
  ];

  const CPP_FILE = /\.(cpp|cc|cxx|hpp|hh|hxx|h)$/i;
  const MAX_FILE_BYTES = 1048576;

  function element(tag, attrs) {
    const node = document.createElement(tag);
    Object.assign(node, attrs || {});
    return node;
  }

  // Reads a dropped or chosen file into the editor; says why when it cannot.
  async function openFile(file, options) {
    const {editor, status} = options;
    if (!file) return;
    if (!CPP_FILE.test(file.name)) {
      status.textContent = file.name + ' is not a C++ file (.cpp, .cc, .cxx, .hpp, .hh, .hxx, .h).';
      return;
    }
    if (file.size > MAX_FILE_BYTES) {
      status.textContent = file.name + ' is over the 1 MB limit.';
      return;
    }
    editor.setValue(await file.text());
    status.textContent = 'Opened ' + file.name + '.';
  }

  // options: editor, form, host (the editor's element), analyzeNow.
  function attach(options) {
    const {editor, form, host, analyzeNow} = options;
    const actions = form.querySelector('.actions');
    if (!actions) return;
    const status = element('span', {className: 'hint', id: 'file-status'});
    status.setAttribute('role', 'status');
    const picker = element('select', {id: 'example-select', className: 'example-select'});
    picker.setAttribute('aria-label', 'Start from an example');
    picker.append(element('option', {value: '', textContent: 'Examples…'}));
    EXAMPLES.forEach((example, index) => {
      picker.append(element('option', {value: String(index), textContent: example.name}));
    });
    picker.addEventListener('change', () => {
      const example = EXAMPLES[Number(picker.value)];
      picker.value = '';
      if (!example) return;
      editor.setValue(example.code.join('\n') + '\n');
      analyzeNow();
    });
    const input = element('input', {type: 'file', id: 'file-input', className: 'visually-hidden',
      accept: '.cpp,.cc,.cxx,.hpp,.hh,.hxx,.h'});
    const open = element('button', {type: 'button', id: 'open-file', textContent: 'Open .cpp'});
    open.addEventListener('click', () => input.click());
    input.addEventListener('change', () => {
      openFile(input.files[0], {editor, status});
      input.value = '';
    });
    actions.prepend(picker, open, input);
    form.querySelector('.editor-status').append(' ', status);

    // Dropping a file anywhere on the editor opens it rather than pasting its name.
    const dropZone = form;
    dropZone.addEventListener('dragover', (event) => {
      if (event.dataTransfer && [...event.dataTransfer.types].includes('Files')) {
        event.preventDefault();
        host.classList.add('drop-target');
      }
    }, true);
    dropZone.addEventListener('dragleave', () => host.classList.remove('drop-target'), true);
    dropZone.addEventListener('drop', (event) => {
      const file = event.dataTransfer && event.dataTransfer.files[0];
      host.classList.remove('drop-target');
      if (!file) return;
      event.preventDefault();
      event.stopPropagation();
      openFile(file, {editor, status});
    }, true);
  }

  root.QuorbelConveniences = {attach, openFile, EXAMPLES};
})(typeof window !== 'undefined' ? window : globalThis);
