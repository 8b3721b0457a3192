// What the analyze and IDE pages do with the server: post the code to /api/analyze and
// show the estimate (summary, growth chart, tables, lists), post it to /api/run and show
// the program's outcome, and explain plainly when the server cannot be reached.
(function (root) {
  'use strict';

  const ANALYZE_TIMEOUT_MS = 30000;
  const RUN_TIMEOUT_MS = 45000;
  const BUDGET_LOG10 = 8;  // about 100 million simple operations per second
  const CHART_MIN_LOG10 = 1;  // n = 10
  const CHART_MAX_LOG10 = 7;  // n = 10^7
  const SVG_NS = 'http://www.w3.org/2000/svg';

  // ---- Small DOM helpers (text always goes in as text, never as markup) ----

  function el(tag, attrs, children) {
    const node = document.createElement(tag);
    setAttributes(node, attrs);
    for (const child of children || []) {
      if (child != null && child !== false) node.append(child);
    }
    return node;
  }

  function svg(tag, attrs, children) {
    const node = document.createElementNS(SVG_NS, tag);
    setAttributes(node, attrs);
    for (const child of children || []) {
      if (child != null && child !== false) node.append(child);
    }
    return node;
  }

  function setAttributes(node, attrs) {
    for (const [key, value] of Object.entries(attrs || {})) {
      if (value == null || value === false) continue;
      if (key === 'text') node.textContent = value;
      else if (key === 'className') node.setAttribute('class', value);
      else node.setAttribute(key, String(value));
    }
  }

  function asText(value) {
    return value == null ? '' : String(value);
  }

  function asList(value) {
    return Array.isArray(value) ? value : [];
  }

  // ---- Growth chart: the estimate's cost with every size set to n ----
  //
  // The server sends each cost as terms, each a product of factors over the program's sizes
  // with the constant factor the notation drops (the "cost" of /api/analyze). Values are
  // carried as base-10 logarithms so that 2^n at n = 10^7 stays finite.

  const SUPERSCRIPT = '⁰¹²³⁴⁵⁶⁷⁸⁹';

  function log10Add(a, b) {
    if (a === -Infinity) return b;
    if (b === -Infinity) return a;
    if (a === Infinity || b === Infinity) return Infinity;
    const top = Math.max(a, b);
    return top + Math.log10(Math.pow(10, a - top) + Math.pow(10, b - top));
  }

  // ln Γ(x) for x > 0: Stirling's series after shifting x above 10.
  function logGamma(x) {
    let shift = 0;
    while (x < 10) {
      shift += Math.log(x);
      x += 1;
    }
    const series = 1 / (12 * x) - 1 / (360 * x * x * x) + 1 / (1260 * Math.pow(x, 5));
    return (x - 0.5) * Math.log(x) - x + 0.5 * Math.log(2 * Math.PI) + series - shift;
  }

  function log10Factorial(a) {
    const v = Math.pow(10, a);
    if (v === Infinity) return Infinity;
    return logGamma(v + 1) / Math.LN10;
  }

  // Logarithms count halvings: at least one step, so log n never drops below 1.
  function log10Log(a) {
    if (a === Infinity) return Infinity;
    const bits = a === -Infinity ? 0 : a / Math.LOG10E / Math.LN2;
    return Math.log10(Math.max(1, bits));
  }

  // The inverse Ackermann function is at most 4 for any input that fits in memory.
  function log10Alpha(a) {
    const v = Math.pow(10, a);
    const alpha = v < 4 ? 1 : v < 16 ? 2 : v < 65536 ? 3 : 4;
    return Math.log10(alpha);
  }


  // log10 of one factor at n = 10^x: n! * base^n * n^n (k^n with k = n) * n^power * log n ...
  function factorLog10(factor, x) {
    const n = Math.pow(10, x);
    let total = Number(factor.power) * x + Number(factor.logs) * log10Log(x) +
        Number(factor.logLogs) * log10Log(log10Log(x)) + Number(factor.alphas) * log10Alpha(x);
    if (factor.factorial) total += log10Factorial(x);
    if (factor.exponentialSize) total += n * x;
    if (Number(factor.exponential) > 1) total += n * Math.log10(Number(factor.exponential));
    return total;
  }

  // log10 of the operations of a cost at n = 10^x, its constants included; null when there is
  // no cost to read. No terms is O(1): one operation.
  function costLog10(cost, x) {
    if (!cost || !Array.isArray(cost.terms)) return null;
    let total = cost.terms.length ? -Infinity : 0;
    for (const term of cost.terms) {
      let value = Math.log10(Math.max(1, Number(term && term.constant) || 1));
      for (const factor of asList(term && term.factors)) value += factorLog10(factor, x);
      total = log10Add(total, value);
    }
    return Number.isNaN(total) ? null : total;
  }

  // log10 of the estimated operations at input size n, or null without a cost.
  function operationsLog10(cost, n) {
    return costLog10(cost, Math.log10(n));
  }

  // The largest integer n in [10, 10^7] whose operations stay within 10^8:
  // {kind: 'some', n}, {kind: 'all', n: 10^7} or {kind: 'none', n: 10}; null without a cost.
  // Assumes the cost does not shrink as n grows.
  function largestFittingN(cost) {
    if (costLog10(cost, CHART_MIN_LOG10) === null) return null;
    const fits = (n) => costLog10(cost, Math.log10(n)) <= BUDGET_LOG10 + 1e-9;
    let lo = Math.pow(10, CHART_MIN_LOG10);
    let hi = Math.pow(10, CHART_MAX_LOG10);
    if (fits(hi)) return {kind: 'all', n: hi};
    if (!fits(lo)) return {kind: 'none', n: lo};
    while (hi - lo > 1) {
      const mid = Math.floor((lo + hi) / 2);
      if (fits(mid)) lo = mid;
      else hi = mid;
    }
    return {kind: 'some', n: lo};
  }

  function powerOfTen(exponent) {
    if (exponent === 0) return '1';
    if (exponent === 1) return '10';
    const digits = String(exponent).split('').map((d) => SUPERSCRIPT[Number(d)]).join('');
    return '10' + digits;
  }

  function formatCount(n) {
    return Math.round(n).toLocaleString('en-US');
  }

  // ---- Growth chart: drawing ----

  // `mark`, when given, is the verdict's point {log10N, log10Ops, label, status}: the axis
  // then reaches that n.
  // The largest input size the chart shows, as log10: 10^7, or for a curve that passes 10^24
  // operations sooner (2^n, n!) the power of ten just beyond that point, so that its rise fills
  // the chart instead of a sliver at its left edge.
  function chartDomainLog10(cost) {
    for (let x = CHART_MIN_LOG10; x <= CHART_MAX_LOG10; x += 0.05) {
      if (!(costLog10(cost, x) <= 24)) return Math.max(CHART_MIN_LOG10 + 1, Math.ceil(x));
    }
    return CHART_MAX_LOG10;
  }

  // `cost` is the time cost the server sent, `notation` its display form.
  function renderChart(cost, notation, mark) {
    if (costLog10(cost, CHART_MIN_LOG10) === null) {
      return el('p', {className: 'chart-note', id: 'growth-chart-note',
        text: 'No growth curve for ' + asText(notation) + ': the server sent no cost to ' +
            'draw, so the chart would only guess.'});
    }
    const compact = Boolean(root.innerWidth) && root.innerWidth < 640;
    const W = compact ? 420 : 640, H = compact ? 320 : 300;
    const m = {left: compact ? 60 : 58, right: compact ? 14 : 20, top: 14, bottom: 46};
    const pw = W - m.left - m.right, ph = H - m.top - m.bottom;
    const ops = (log10N) => costLog10(cost, log10N);
    const maxLog10 = mark ? Math.min(18, Math.max(CHART_MAX_LOG10, Math.ceil(mark.log10N))) :
        chartDomainLog10(cost);

    const samples = [];
    let top = BUDGET_LOG10;
    for (let i = 0; i <= 240; i++) {
      const x = CHART_MIN_LOG10 + (maxLog10 - CHART_MIN_LOG10) * i / 240;
      const y = ops(x);
      samples.push([x, y]);
      if (Number.isFinite(y)) top = Math.max(top, y);
      else if (y === Infinity) top = Infinity;
    }
    if (mark && Number.isFinite(mark.log10Ops)) top = Math.max(top, mark.log10Ops);
    const yMax = Math.max(12, Math.min(24, Math.ceil((top + 0.5) / 4) * 4));
    const px = (log10N) =>
      m.left + (log10N - CHART_MIN_LOG10) / (maxLog10 - CHART_MIN_LOG10) * pw;
    const py = (log10Ops) => {
      let v = log10Ops;
      if (Number.isNaN(v)) v = 0;
      v = Math.max(-0.5, Math.min(yMax + 1, v));
      return m.top + ph - (v / yMax) * ph;
    };
    const f = (value) => value.toFixed(1);

    const parts = [];
    const clipId = 'growth-clip-' + Math.random().toString(36).slice(2, 8);
    parts.push(svg('title', {text: 'Estimated operations of ' + notation + ' for n from 10 to 10^' +
        maxLog10}));
    parts.push(svg('defs', {}, [svg('clipPath', {id: clipId}, [
      svg('rect', {x: m.left, y: m.top, width: pw, height: ph}),
    ])]));
    parts.push(svg('rect', {className: 'over-budget', x: m.left, y: m.top, width: pw,
      height: f(py(BUDGET_LOG10) - m.top)}));

    for (let e = CHART_MIN_LOG10; e <= maxLog10; e++) {
      const x = f(px(e));
      parts.push(svg('line', {className: 'grid', x1: x, x2: x, y1: m.top, y2: m.top + ph}));
      parts.push(svg('text', {x, y: m.top + ph + 18, 'text-anchor': 'middle', text: powerOfTen(e)}));
    }
    for (let e = 0; e <= yMax; e += 4) {
      const y = f(py(e));
      parts.push(svg('line', {className: 'grid', x1: m.left, x2: m.left + pw, y1: y, y2: y}));
      parts.push(svg('text', {x: m.left - 8, y: f(py(e) + 4), 'text-anchor': 'end',
        text: powerOfTen(e)}));
    }
    parts.push(svg('line', {className: 'axis', x1: m.left, x2: m.left, y1: m.top, y2: m.top + ph}));
    parts.push(svg('line', {className: 'axis', x1: m.left, x2: m.left + pw, y1: m.top + ph,
      y2: m.top + ph}));
    parts.push(svg('text', {x: m.left + pw / 2, y: H - 6, 'text-anchor': 'middle',
      text: 'input size n (log scale)'}));
    parts.push(svg('text', {x: 14, y: m.top + ph / 2, 'text-anchor': 'middle',
      transform: 'rotate(-90 14 ' + (m.top + ph / 2) + ')', text: 'operations (log scale)'}));

    // Labels go where the curve is not: the budget label on the side away from the point
    // where the curve crosses the budget, the fit label along the bottom beside its line.
    const fit = largestFittingN(cost);
    const crossesRight = fit && fit.kind !== 'none' &&
        (Math.log10(fit.n) - CHART_MIN_LOG10) / (maxLog10 - CHART_MIN_LOG10) > 0.5;
    const budgetY = f(py(BUDGET_LOG10));
    parts.push(svg('line', {className: 'budget-line', x1: m.left, x2: m.left + pw, y1: budgetY,
      y2: budgetY}));
    parts.push(svg('text', {className: 'budget-label', x: crossesRight ? m.left + 6 : m.left + pw - 6,
      y: f(py(BUDGET_LOG10) - 6), 'text-anchor': crossesRight ? 'start' : 'end',
      text: '10⁸ operations ≈ 1 s'}));

    const d = samples.map(([x, y], i) => (i === 0 ? 'M' : 'L') + f(px(x)) + ' ' + f(py(y))).join(' ');
    parts.push(svg('path', {className: 'growth-curve', d, 'clip-path': 'url(#' + clipId + ')',
      'data-notation': notation}));

    if (fit) {
      const fx = Math.log10(fit.n);
      const x = f(px(fx));
      const y = f(py(ops(fx)));
      const label = fit.kind === 'some' ? 'n ≈ ' + formatCount(fit.n) :
          fit.kind === 'all' ? 'fits up to 10⁷' : 'over budget at n = 10';
      const anchor = px(fx) > m.left + pw * 0.7 ? 'end' : 'start';
      const dx = anchor === 'end' ? -8 : 8;
      parts.push(svg('g', {className: 'fit-marker', 'data-fit': fit.kind, 'data-n': fit.n}, [
        svg('line', {className: 'fit-line', x1: x, x2: x, y1: y, y2: m.top + ph}),
        svg('circle', {className: 'fit-point', cx: x, cy: y, r: 4.5}),
        svg('text', {className: 'fit-label', x: f(px(fx) + dx), y: m.top + ph - 8,
          'text-anchor': anchor, text: label}),
      ]));
    }

    if (mark) {
      const x = px(mark.log10N);
      const y = py(mark.log10Ops);
      // The label goes to the side with more room and is squeezed to fit there, so that on a
      // phone it never runs past the plot.
      const label = 'at the limit: ' + mark.label;
      const right = x > m.left + pw / 2;
      const room = (right ? x - m.left : m.left + pw - x) - 10;
      const squeeze = label.length * (compact ? 14 : 12) * 0.6 > room;
      parts.push(svg('g', {className: 'limit-marker', 'data-status': mark.status,
        'data-n': Math.round(Math.pow(10, mark.log10N))}, [
        svg('circle', {className: 'limit-point', cx: f(x), cy: f(y), r: 6}),
        // Along the top of the plot, clear of the budget line's label.
        svg('line', {className: 'limit-line', x1: f(x), x2: f(x), y1: f(y), y2: m.top}),
        svg('text', {className: 'limit-label', x: f(x + (right ? -8 : 8)), y: m.top + 14,
          'text-anchor': right ? 'end' : 'start', textLength: squeeze ? f(room) : null,
          lengthAdjust: squeeze ? 'spacingAndGlyphs' : null, text: label}),
      ]));
    }

    // The scales stay on the element, for points drawn later (measured times).
    const chart = svg('svg', {className: 'growth-chart' + (compact ? ' compact' : ''), id: 'growth-chart',
      viewBox: '0 0 ' + W + ' ' + H, role: 'img', preserveAspectRatio: 'xMidYMid meet',
      'data-min-log10': CHART_MIN_LOG10, 'data-max-log10': maxLog10, 'data-y-max': yMax,
      'data-plot': [m.left, m.top, pw, ph].join(' ')}, parts);
    let caption;
    if (!fit || fit.kind === 'all') {
      caption = 'Every n up to 10⁷ stays within about 10⁸ operations.';
    } else if (fit.kind === 'none') {
      caption = 'Already above about 10⁸ operations at n = 10.';
    } else {
      caption = 'Largest n within about 10⁸ operations: ' + formatCount(fit.n) + '.';
    }
    return el('figure', {className: 'chart-wrap'}, [
      chart,
      el('figcaption', {className: 'chart-caption', id: 'growth-caption'}, [
        el('code', {text: notation}), ' with every variable set to n. ' + caption,
        mark ? ' The marked point is the verdict at the limit: ' + mark.label + ' operations.' : null,
      ]),
    ]);
  }

  // ---- Analysis results ----

  function section(title, id, children) {
    return el('section', {'aria-labelledby': id}, [el('h3', {id, text: title})].concat(children));
  }

  function renderList(items, id, extraClass) {
    const list = el('ul', {className: 'list' + (extraClass ? ' ' + extraClass : ''), id});
    for (const item of asList(items)) list.append(el('li', {text: asText(item)}));
    return list;
  }

  function isLineNumber(text) {
    return /^[1-9][0-9]*$/.test(text);
  }

  function hasLineRows(rows) {
    return asList(rows).some((row) => isLineNumber(asText(row && row.line)));
  }

  function renderBreakdown(rows, id, onLineClick) {
    const body = el('tbody');
    for (const row of asList(rows)) {
      const line = asText(row && row.line);
      const tr = el('tr', {}, [
        el('td', {text: line}),
        el('td', {text: asText(row && row.signal)}),
        el('td', {className: 'cost', text: asText(row && row.cost)}),
      ]);
      if (isLineNumber(line) && onLineClick) {
        tr.dataset.line = line;
        tr.tabIndex = 0;
        tr.title = 'Show line ' + line + ' in the editor';
        const choose = () => {
          const panel = body.closest('.results') || document;
          for (const other of panel.querySelectorAll('tr.selected')) {
            other.classList.remove('selected');
          }
          tr.classList.add('selected');
          onLineClick(Number(line));
        };
        tr.addEventListener('click', choose);
        tr.addEventListener('keydown', (event) => {
          if (event.key === 'Enter' || event.key === ' ') {
            event.preventDefault();
            choose();
          }
        });
      }
      body.append(tr);
    }
    const table = el('table', {className: 'data breakdown' + (onLineClick ? ' clickable' : ''), id}, [
      el('thead', {}, [el('tr', {}, [
        el('th', {scope: 'col', text: 'Line'}),
        el('th', {scope: 'col', text: 'Signal'}),
        el('th', {scope: 'col', text: 'Cost'}),
      ])]),
      body,
    ]);
    return el('div', {className: 'table-wrap'}, [table]);
  }

  function renderConstraints(constraints) {
    const list = asList(constraints);
    if (list.length === 0) {
      return el('p', {className: 'placeholder', id: 'constraints',
        text: 'No input-size limits: the time estimate does not grow with a named input.'});
    }
    const body = el('tbody');
    for (const c of list) {
      body.append(el('tr', {}, [
        el('td', {text: asText(c && c.variable)}),
        el('td', {className: 'cost', text: asText(c && c.maxValue)}),
        el('td', {className: 'assumption', text: asText(c && c.assumption)}),
      ]));
    }
    return el('div', {className: 'table-wrap'}, [el('table', {className: 'data constraints', id: 'constraints'}, [
      el('thead', {}, [el('tr', {}, [
        el('th', {scope: 'col', text: 'Variable'}),
        el('th', {scope: 'col', text: 'Largest value'}),
        el('th', {scope: 'col', text: 'Assumption'}),
      ])]),
      body,
    ])]);
  }

  const CONFIDENCE_LEVELS = ['high', 'medium', 'low'];

  // "line 39: the loop's trip count ..." for each assumption of one dimension.
  function assumptionTexts(doc, dimension) {
    return asList(doc.assumptions)
        .filter((a) => a && asText(a.dimension) === dimension)
        .map((a) => (Number(a.line) > 0 ? 'line ' + Number(a.line) + ': ' : '') + asText(a.text));
  }

  // How sure a notation is: the badge names the level, and what the estimate assumed shows on
  // hover (its title) and, for touch screens, in a list a tap opens.
  function confidenceBadge(doc, dimension) {
    const level = asText(doc.confidence && doc.confidence[dimension]);
    if (!CONFIDENCE_LEVELS.includes(level)) return [];
    const texts = assumptionTexts(doc, dimension);
    const list = el('ul', {className: 'assumption-list', id: dimension + '-assumptions', hidden: ''},
        texts.map((text) => el('li', {text})));
    const badge = el('button', {type: 'button', id: dimension + '-confidence',
      className: 'confidence-badge confidence-' + level, text: level + ' confidence',
      title: texts.length ? texts.join('\n') : 'Every term was derived from the code.',
      'aria-expanded': 'false', 'aria-controls': list.id});
    badge.addEventListener('click', () => {
      list.hidden = !list.hidden;
      badge.setAttribute('aria-expanded', String(!list.hidden));
    });
    return texts.length ? [badge, list] : [badge];
  }

  // Where an estimate rests on assumptions, running the program is the witness that does not
  // share them: offer the page's Measure button.
  function measureOffer(doc) {
    const confidence = (doc && doc.confidence) || {};
    const measure = document.getElementById('measure-button');
    if (!measure || (confidence.time !== 'medium' && confidence.time !== 'low' &&
        confidence.space !== 'medium' && confidence.space !== 'low')) {
      return null;
    }
    const run = el('button', {type: 'button', className: 'link-button', id: 'measure-offer-button',
      text: 'Measure it'});
    run.addEventListener('click', () => measure.click());
    return el('p', {className: 'message', id: 'measure-offer', role: 'status'}, [
      'This estimate rests on assumptions. ', run,
      ' to run the program at growing sizes and compare.',
    ]);
  }

  function metric(kind, title, notation, label, pattern, badge) {
    return el('article', {className: 'metric metric-' + kind}, [
      el('h3', {text: title}),
      el('p', {className: 'notation ' + kind + '-notation', text: notation}),
      ...(badge || []),
      el('p', {className: 'metric-label'}, [
        el('span', {className: 'label ' + kind + '-label', text: label}),
        ' ',
        // A custom pattern is its own label; saying it twice adds nothing.
        el('span', {className: 'pattern ' + kind + '-pattern', text: pattern,
          hidden: pattern === label ? '' : null}),
      ]),
    ]);
  }

  // Signals that only restate a breakdown row ("Line 9: for loop over j contributes O(n^2).")
  // are left out: the row says it once, in line order.
  function otherSignals(signals, rows) {
    const lines = new Set(asList(rows).map((row) => asText(row && row.line)));
    return asList(signals).filter((signal) => {
      const match = /^Line (\d+): .* contributes /.exec(asText(signal));
      return !(match && lines.has(match[1]));
    });
  }

  // Nothing when every signal was a row: an empty list would only say "None".
  function otherList(items, id) {
    return items.length ? renderList(items, id, 'list-notes') : null;
  }

  // `shown` is the verdict the card shows now (judged again at the limits typed into it), null
  // when the card shows a refusal instead; undefined: the document's own.
  function markdownReport(doc, shown) {
    const space = (doc && typeof doc.space === 'object' && doc.space) || {};
    const rows = (list) => asList(list).map((row) => '| ' + [row.line, row.signal, row.cost]
        .map((cell) => asText(cell).replace(/\|/g, '\\|')).join(' | ') + ' |');
    const judged = shown === undefined ? doc.verdict : shown;
    const verdict = judged && judged.time ? judged : null;
    const limits = verdict ? asList(verdict.sizes).map((size) => asText(size && size.name) + ' = ' +
        (size && size.known ? asText(size.value) : 'no limit')) : [];
    if (verdict) {
      limits.push('time ' + asText(verdict.timeLimitSeconds) + ' s',
          'memory ' + asText(verdict.memoryLimitMb) + ' MB');
    }
    return [
      '**Time:** `' + asText(doc.notation) + '` (' + asText(doc.label) + ')  ',
      '**Space:** `' + asText(space.notation) + '` (' + asText(space.label) + ')',
      verdict ? '\n**Verdict:** time ' + asText(verdict.time.summary) + '; memory ' +
          asText(verdict.memory && verdict.memory.summary) + '  \n**Limits:** ' +
          limits.join(', ') : '',
      '', '| Line | Time | Cost |', '|---|---|---|', ...rows(doc.breakdown),
      '', '| Line | Memory | Cost |', '|---|---|---|', ...rows(space.breakdown),
      '', ...asList(doc.notes).map((note) => '- ' + asText(note)),
    ].join('\n');
  }

  // A button that copies what `text()` gives and says so.
  function copyButton(id, label, text) {
    const button = el('button', {type: 'button', className: 'copy-button', id, text: label});
    button.addEventListener('click', async () => {
      try {
        await navigator.clipboard.writeText(text());
        button.textContent = 'Copied';
      } catch (error) {
        button.textContent = 'Copy failed';
      }
      setTimeout(() => { button.textContent = label; }, 1500);
    });
    return button;
  }

  // On a narrow screen the editor and the results are stacked: bring `target` into view.
  function bringIntoView(target) {
    if (target && root.matchMedia && root.matchMedia('(max-width: 900px)').matches) {
      target.scrollIntoView({block: 'start', behavior: 'auto'});
    }
  }

  // Fills `container` with an /api/analyze document. onLineClick(line) makes rows clickable;
  // `verdictPanel` (public/verdict.js) shows the document's verdict beside the estimates.
  function renderAnalysis(container, doc, onLineClick, verdictPanel) {
    const verdict = verdictPanel && doc.verdict && typeof doc.verdict === 'object' ? doc.verdict : null;
    const space = (doc && typeof doc.space === 'object' && doc.space) || {};
    const notation = asText(doc.notation);
    const lines = Number(doc.lineCount) || 0;
    const children = [
      el('h2', {className: 'visually-hidden', text: 'Analysis'}),
      el('div', {className: 'summary'}, [
        metric('time', 'Time', notation, asText(doc.label), asText(doc.pattern),
            confidenceBadge(doc, 'time')),
        metric('space', 'Auxiliary space', asText(space.notation), asText(space.label),
            asText(space.pattern), confidenceBadge(doc, 'space')),
        verdict ? verdictPanel.element : null,
      ]),
      el('p', {className: 'meta'}, [
        el('span', {className: 'line-count', text: String(lines)}),
        lines === 1 ? ' line analysed.' : ' lines analysed.',
        doc.saved === true ? ' This server also keeps a copy in its own history.' : null,
      ]),
      el('div', {className: 'result-actions'}, [
        copyButton('copy-notation', 'Copy notation', () => 'Time: ' + notation + ', space: ' +
            asText(space.notation)),
        copyButton('copy-report', 'Copy report (Markdown)', () => markdownReport(doc,
            verdict ? verdictPanel.current() : undefined)),
      ]),
    ];
    const offer = measureOffer(doc);
    if (offer) children.push(offer);
    const errorLine = Number(doc.parseErrorLine) || 0;
    if (errorLine > 0) {
      const show = el('button', {type: 'button', className: 'link-button', id: 'parse-error-line',
        text: 'line ' + errorLine});
      if (onLineClick) show.addEventListener('click', () => onLineClick(errorLine));
      children.push(el('p', {className: 'message message-warn', id: 'parse-warning', role: 'status'}, [
        el('strong', {text: 'The code does not parse cleanly.'}),
        ' The first syntax error is on ', show,
        '; what it hides may be missing from the estimate.',
      ]));
    }
    if (doc.storageError) {
      children.push(el('p', {className: 'message message-warn', role: 'status',
        text: 'The analysis ran, but the server could not save it to its history: ' +
            asText(doc.storageError)}));
    }
    children.push(
        section('Growth', 'growth-title', [renderChart(doc.cost && doc.cost.time, notation,
            verdict ? root.QuorbelVerdict.chartMark(verdict) : null)]),
        section('Rough constraints', 'constraints-title', [
          el('p', {className: 'budget', id: 'constraint-budget', text: asText(doc.constraintBudget)}),
          renderConstraints(doc.constraints),
        ]),
        section('Where the time goes', 'breakdown-title', [
          renderBreakdown(doc.breakdown, 'time-breakdown', onLineClick),
          otherList(otherSignals(doc.signals, doc.breakdown), 'signals'),
          onLineClick && hasLineRows(doc.breakdown) ?
              el('p', {className: 'hint', text: 'Click a row to see its line in the editor.'}) : null,
        ]),
        section('Where the memory goes', 'space-breakdown-title', [
          asList(space.breakdown).length ?
              renderBreakdown(space.breakdown, 'space-breakdown', onLineClick) :
              el('p', {className: 'placeholder', text: 'No storage that grows with the input.'}),
          otherList(otherSignals(space.signals, space.breakdown), 'space-signals'),
        ]),
        section('Notes', 'notes-title', [renderList(doc.notes, 'notes', 'list-notes')]));
    container.replaceChildren(...children);
    if (verdict) verdictPanel.show(verdict);
    container.dataset.state = 'done';
  }

  function renderError(container, title, detail) {
    container.replaceChildren(el('div', {className: 'message message-error', role: 'alert',
      id: container.id + '-error'}, [
      el('strong', {text: title}),
      detail ? el('span', {className: 'error-detail', text: detail}) : null,
    ]));
    container.dataset.state = 'error';
  }

  // ---- Requests ----

  // {kind: 'answer', status, data} or {kind: 'unreachable' | 'timeout'}; never throws.
  async function postJson(url, payload, timeoutMs) {
    const controller = new AbortController();
    const timer = setTimeout(() => controller.abort(), timeoutMs);
    try {
      const response = await fetch(url, {
        method: 'POST',
        headers: {'Content-Type': 'application/json'},
        body: JSON.stringify(payload),
        signal: controller.signal,
        cache: 'no-store',
      });
      const text = await response.text();
      let data = null;
      try {
        data = JSON.parse(text);
      } catch (error) {
        data = null;
      }
      return {kind: 'answer', status: response.status, data, text};
    } catch (error) {
      return {kind: controller.signal.aborted ? 'timeout' : 'unreachable'};
    } finally {
      clearTimeout(timer);
    }
  }

  const UNREACHABLE_TITLE = 'Could not reach the quorbel server.';
  const UNREACHABLE_DETAIL = 'Check that the server is still running and that this page ' +
      'was opened from it, then try again. Your code is still in the editor.';

  function describeFailure(reply, seconds) {
    if (reply.kind === 'unreachable') return [UNREACHABLE_TITLE, UNREACHABLE_DETAIL];
    if (reply.kind === 'timeout') {
      return ['The server did not answer within ' + seconds + ' seconds.',
        'It serves one request at a time; try again in a moment.'];
    }
    if (reply.data && typeof reply.data.error === 'string' && reply.data.error) {
      return ['The server answered with an error (HTTP ' + reply.status + ').', reply.data.error];
    }
    const body = asText(reply.text).trim().slice(0, 200);
    return ['The server answered with an error (HTTP ' + reply.status + ').',
      body || 'The answer held no readable result.'];
  }

  function setBusy(button, busy) {
    button.disabled = busy;
    button.classList.toggle('busy', busy);
    button.setAttribute('aria-busy', busy ? 'true' : 'false');
  }

  // ---- Run results ----

  const STATUS_TEXT = {
    success: 'Success',
    compile_error: 'Compile error',
    runtime_error: 'Runtime error',
    memory_limit_exceeded: 'Memory limit exceeded',
    timeout: 'Time limit exceeded',
    bad_request: 'Request refused',
    internal_error: 'Runner error',
  };

  // A judged run's badge says the verdict: a program that ran cleanly to a wrong answer is
  // never shown as a success.
  const VERDICT_TEXT = {
    accepted: 'Accepted',
    wrong_answer: 'Wrong answer',
    time_limit_exceeded: 'Time limit exceeded',
    memory_limit_exceeded: 'Memory limit exceeded',
    runtime_error: 'Runtime error',
  };

  function badge(result, id) {
    const verdict = asText(result.verdict);
    const status = asText(result.status) || 'internal_error';
    const key = VERDICT_TEXT[verdict] ? verdict : status;
    return el('span', {className: 'status-badge run-status', id, 'data-status': key,
      text: VERDICT_TEXT[verdict] || STATUS_TEXT[status] || status});
  }

  // "3.2 MB" from the run's peak in KiB; "–" when the run reported none.
  function formatMemory(kb) {
    const value = Number(kb) || 0;
    if (value <= 0) return '–';
    return value < 1024 ? value + ' KB' : (value / 1024).toFixed(1) + ' MB';
  }

  function fact(term, value, className) {
    return el('div', {}, [el('dt', {text: term}), el('dd', {className, text: value})]);
  }

  function stream(title, id, text, truncated) {
    return el('div', {className: 'stream'}, [
      el('h3', {text: title}),
      el('pre', {id, text: asText(text)}),
      truncated ? el('p', {className: 'stream-note',
        text: 'Showing the first 1 MB: the program wrote more than that.'}) : null,
    ]);
  }

  // Compiler output with each "main.cpp:LINE:COL:" a button that shows the line.
  function compilerStream(text, onLineClick) {
    const pre = el('pre', {id: 'run-compiler-output'});
    for (const part of asText(text).split(/(main\.cpp:\d+:\d+:)/)) {
      const match = /^main\.cpp:(\d+):\d+:$/.exec(part);
      if (match && onLineClick) {
        const jump = el('button', {type: 'button', className: 'link-button compiler-line', text: part});
        jump.addEventListener('click', () => onLineClick(Number(match[1])));
        pre.append(jump);
      } else {
        pre.append(part);
      }
    }
    return el('div', {className: 'stream'}, [el('h3', {text: 'Compiler output'}), pre]);
  }

  // Judges compare tokens, so trailing blanks and blank last lines do not count.
  function comparableLines(text) {
    const lines = asText(text).replace(/\r\n/g, '\n').split('\n').map((line) => line.replace(/\s+$/, ''));
    while (lines.length && lines[lines.length - 1] === '') lines.pop();
    return lines;
  }

  // null when `expected` is blank; else {same, line, got, want} for the first difference.
  function compareOutput(actual, expected) {
    if (asText(expected).trim() === '') return null;
    const got = comparableLines(actual);
    const want = comparableLines(expected);
    for (let i = 0; i < Math.max(got.length, want.length); i++) {
      if (got[i] !== want[i]) {
        return {same: false, line: i + 1, got: got[i] === undefined ? '(nothing)' : got[i],
          want: want[i] === undefined ? '(nothing)' : want[i]};
      }
    }
    return {same: true};
  }

  // The server compared the whole output; the first difference is looked for in what it sent
  // back, which may stop before it.
  function renderVerdict(result, expected) {
    const verdict = asText(result.verdict);
    if (verdict === 'accepted') return renderComparison({same: true});
    if (verdict !== 'wrong_answer') return null;
    const comparison = compareOutput(result.stdout, expected);
    if (comparison && !comparison.same) return renderComparison(comparison);
    return el('div', {className: 'message message-error run-compare', role: 'status'}, [
      el('strong', {text: 'Wrong answer: '}),
      result.stdoutTruncated === true ? 'the output differs past the first 1 MB shown here.' :
          'the output differs from the expected output.',
    ]);
  }

  function renderComparison(comparison) {
    if (!comparison) return null;
    if (comparison.same) {
      return el('p', {className: 'message message-ok run-compare', role: 'status',
        text: 'Output matches the expected output.'});
    }
    return el('div', {className: 'message message-error run-compare', role: 'status'}, [
      el('strong', {text: 'Wrong answer: line ' + comparison.line + ' differs.'}),
      el('pre', {className: 'diff'}, [
        el('span', {className: 'diff-want', text: '- expected: ' + comparison.want + '\n'}),
        el('span', {className: 'diff-got', text: '+ got:      ' + comparison.got}),
      ]),
    ]);
  }

  // options: expected (text to compare stdout with), onLineClick (compiler lines), title.
  function renderRunResult(container, result, options) {
    const opts = options || {};
    const status = asText(result.status) || 'internal_error';
    const phase = asText(result.phase);
    const limitMs = Number(result.timeLimitMs) || 0;
    const children = [el('div', {className: 'run-summary'}, [
      opts.title ? el('h3', {className: 'run-title', text: opts.title}) : null,
      badge(result, opts.title ? null : 'run-status'),
      el('dl', {className: 'run-facts'}, [
        fact('Phase', phase || '–', 'run-phase'),
        fact('Exit code', String(result.exitCode) + (result.signal ? ' (' + result.signal + ')' : ''),
            'run-exit-code'),
        opts.title ? null : fact('Compile', (Number(result.compileMs) || 0) + ' ms', 'run-compile-ms'),
        fact('Run', phase === 'run' ? (Number(result.runMs) || 0) + ' ms' : '–', 'run-run-ms'),
        fact('Memory', phase === 'run' ? formatMemory(result.memoryKb) : '–', 'run-memory'),
        limitMs ? fact('Limits', (limitMs / 1000) + ' s, ' + result.memoryLimitMb + ' MB',
            'run-limits') : null,
      ]),
    ])];
    if (result.explanation) {
      children.push(el('p', {className: 'message message-error run-explanation', role: 'status',
        text: asText(result.explanation)}));
    }
    if (status === 'timeout' || result.timedOut === true) {
      children.push(el('p', {className: 'message message-warn', id: 'run-timeout', role: 'status'}, [
        el('strong', {text: 'Time limit exceeded.'}),
        phase === 'compile' ? 'Compiling took longer than 5 seconds and was stopped.' :
            'The program ran longer than ' + ((limitMs || 2000) / 1000) + ' s and was stopped.',
      ]));
    }
    const error = asText(result.error);
    if (error) {
      const limit = error === 'Output limit exceeded.';
      children.push(el('p', {className: 'message ' + (limit ? 'message-warn' : 'message-error'),
        id: 'run-error', role: 'status'}, [
        el('strong', {text: error}),
        limit ? 'The program wrote more than 64 MB to one stream and was stopped.' : null,
      ]));
    }
    if (result.verdict) children.push(renderVerdict(result, opts.expected));
    else if (status === 'success') children.push(renderComparison(compareOutput(result.stdout, opts.expected)));
    const out = stream('Standard output', opts.title ? null : 'run-stdout', result.stdout,
        result.stdoutTruncated === true);
    const err = stream('Standard error', opts.title ? null : 'run-stderr', result.stderr,
        result.stderrTruncated === true);
    const compiler = opts.title ? null : compilerStream(result.compilerOutput, opts.onLineClick);
    if (phase === 'compile') children.push(compiler, out, err);
    else children.push(out, err, compiler);
    container.replaceChildren(...children.filter(Boolean));
    container.dataset.state = 'done';
  }

  // Several tests under one compile: "2/3 passed", a row per test, then each test's run.
  function renderTestsResult(container, result, options) {
    const opts = options || {};
    const tests = asList(result.tests);
    if (tests.length === 0) {
      renderRunResult(container, result, opts);
      return;
    }
    const passed = Number(result.passed) || 0;
    const total = Number(result.total) || tests.length;
    const rows = el('tbody');
    const boxes = [];
    tests.forEach((test, i) => {
      const title = 'Test ' + (i + 1);
      const row = el('tr', {className: 'run-test-row'}, [
        el('th', {scope: 'row', text: title}),
        el('td', {}, [badge(test)]),
        el('td', {className: 'run-test-time', text: (Number(test.runMs) || 0) + ' ms'}),
        el('td', {className: 'run-test-memory', text: formatMemory(test.memoryKb)}),
      ]);
      rows.append(row);
      const box = el('div', {className: 'run-test'});
      renderRunResult(box, Object.assign({phase: 'run', timeLimitMs: result.timeLimitMs,
        memoryLimitMb: result.memoryLimitMb}, test), {expected: (opts.expected || [])[i], title});
      boxes.push(box);
    });
    const allPassed = passed === total;
    container.replaceChildren(
        el('div', {className: 'run-summary'}, [
          el('span', {className: 'status-badge run-status', id: 'run-status',
            'data-status': allPassed ? 'accepted' : 'wrong_answer', text: allPassed ? 'All passed' : 'Failed'}),
          el('strong', {className: 'run-passed', id: 'run-passed', 'data-passed': passed,
            'data-total': total, text: passed + '/' + total + ' passed'}),
          el('dl', {className: 'run-facts'}, [
            fact('Compile', (Number(result.compileMs) || 0) + ' ms', 'run-compile-ms'),
            fact('Limits', ((Number(result.timeLimitMs) || 0) / 1000) + ' s, ' +
                result.memoryLimitMb + ' MB', 'run-limits'),
          ]),
        ]),
        el('div', {className: 'table-wrap'}, [el('table', {className: 'data run-tests', id: 'run-tests'}, [
          el('thead', {}, [el('tr', {}, [
            el('th', {scope: 'col', text: 'Test'}),
            el('th', {scope: 'col', text: 'Verdict'}),
            el('th', {scope: 'col', text: 'Time'}),
            el('th', {scope: 'col', text: 'Memory'}),
          ])]),
          rows,
        ])]),
        ...boxes,
        compilerStream(result.compilerOutput, opts.onLineClick));
    container.dataset.state = 'done';
  }

  // The tests of one box: separated by a line holding only "---".
  function splitTests(text) {
    return asText(text).split(/^---[ \t]*$\n?/m);
  }

  // The compiler's errors and warnings about the submitted file, for markers in the editor:
  // "main.cpp:12:5: error: ..." lines (notes only explain another message and are skipped).
  function compilerDiagnostics(output) {
    const found = [];
    const pattern = /^main\.cpp:(\d+):(\d+): (fatal error|error|warning): (.*)$/gm;
    for (const match of asText(output).matchAll(pattern)) {
      found.push({
        line: Number(match[1]),
        column: Number(match[2]),
        severity: match[3] === 'warning' ? 'warning' : 'error',
        message: match[4],
      });
    }
    return found;
  }

  // ---- Page wiring ----

  // A link that reopens the code: "#code=" and the text, percent-encoded, in the address.
  function rememberInLink(code) {
    if (root.history && root.location) {
      root.history.replaceState(null, '', root.location.pathname + '#code=' +
          encodeURIComponent(code));
    }
  }

  function codeFromLink() {
    const hash = root.location ? root.location.hash : '';
    if (!hash.startsWith('#code=')) return null;
    try {
      return decodeURIComponent(hash.slice(6));
    } catch (error) {
      return null;
    }
  }

  function takeOpenedEntry() {
    const params = new URLSearchParams(root.location.search);
    const id = params.get('open');
    if (!id || !root.QuorbelStorage) return null;
    root.history.replaceState(null, '', root.location.pathname);
    return root.QuorbelStorage.getAnalysis(id);
  }

  function debounce(fn, ms) {
    let timer = null;
    return () => {
      clearTimeout(timer);
      timer = setTimeout(fn, ms);
    };
  }

  // Shared by both pages: the editor, the analyze action and the draft of `draftName`.
  function startEditorPage(draftName, extra) {
    const form = document.getElementById('analyze-form');
    const textarea = document.getElementById('code');
    const results = document.getElementById('results');
    const analyzeButton = document.getElementById('analyze-button');
    const storage = root.QuorbelStorage;

    const linked = codeFromLink();
    const opened = takeOpenedEntry() || (linked != null ? {code: linked} : null);
    const draft = storage ? storage.loadDraft(draftName) : null;
    if (opened) textarea.value = opened.code;
    else if (draft && draft.trim() !== '') textarea.value = draft;

    let editor = null;
    let latest = 0;
    let analyzedCode = null;
    let verdictTicket = 0;
    const verdictPanel = root.QuorbelVerdict ?
        root.QuorbelVerdict.createVerdictPanel(debounce(() => refreshVerdict(), 400)) : null;
    const limitRequest = () => (verdictPanel ? verdictPanel.request() : {});

    // The limits typed in the verdict card, judged again for the code last analyzed.
    async function refreshVerdict() {
      if (analyzedCode == null) return;
      const ticket = ++verdictTicket;
      // The same code at other limits: judged again, never another history row.
      const reply = await postJson('/api/analyze', Object.assign({code: analyzedCode, save: false},
          limitRequest()), ANALYZE_TIMEOUT_MS);
      if (ticket !== verdictTicket) return;
      if (reply.kind === 'answer' && reply.status === 200 && reply.data && reply.data.verdict) {
        verdictPanel.show(reply.data.verdict);
        const figure = results.querySelector('.chart-wrap, #growth-chart-note');
        if (figure) {
          figure.replaceWith(renderChart(reply.data.cost && reply.data.cost.time,
              asText(reply.data.notation),
              root.QuorbelVerdict.chartMark(reply.data.verdict)));
        }
        return;
      }
      const [title, detail] = describeFailure(reply, ANALYZE_TIMEOUT_MS / 1000);
      verdictPanel.showError(reply.data && typeof reply.data.error === 'string' ?
          reply.data.error : title + ' ' + detail);
    }

    function isLimitRefusal(reply) {
      return reply.kind === 'answer' && reply.status === 400 && reply.data &&
          /^(limits|timeLimitSeconds|memoryLimitMb|Could not read the limits)/.test(
              asText(reply.data.error));
    }

    const showLine = (line) => {
      editor.revealLine(line);
      bringIntoView(document.getElementById('editor'));
    };

    async function analyzeNow() {
      const code = editor.getValue();
      const ticket = ++latest;
      if (code.trim() === '') {
        // Nothing to judge: no request, no verdict card, no chart.
        analyzedCode = null;
        results.replaceChildren(el('p', {className: 'placeholder', id: 'empty-state',
          text: 'The editor is empty: paste or type a C++ solution, open a .cpp file, or ' +
              'start from an example, then press Analyze.'}));
        results.dataset.state = 'empty';
        return;
      }
      ++verdictTicket;  // a pending refresh is for the code before this one
      setBusy(analyzeButton, true);
      results.dataset.state = 'busy';
      let reply = await postJson('/api/analyze', Object.assign({code}, limitRequest()),
          ANALYZE_TIMEOUT_MS);
      if (ticket !== latest) return;  // a newer request replaced this one
      // Limits the new code cannot take (a size it no longer has, a value not understood)
      // must not hide its analysis: it is shown without them, and the card says why.
      let limitError = null;
      if (verdictPanel && isLimitRefusal(reply)) {
        limitError = reply.data.error;
        reply = await postJson('/api/analyze', {code}, ANALYZE_TIMEOUT_MS);
        if (ticket !== latest) return;
      }
      setBusy(analyzeButton, false);
      if (reply.kind === 'answer' && reply.status === 200 && reply.data &&
          typeof reply.data.notation === 'string') {
        analyzedCode = code;
        renderAnalysis(results, reply.data, showLine, verdictPanel);
        rememberInLink(code);
        bringIntoView(results);
        if (limitError && /has no size named/.test(limitError)) refreshVerdict();
        else if (limitError) verdictPanel.showError(limitError);
        if (storage) storage.addAnalysis(code, reply.data);
        return;
      }
      const [title, detail] = describeFailure(reply, ANALYZE_TIMEOUT_MS / 1000);
      renderError(results, title, detail);
      bringIntoView(results);
    }

    const saveDraft = debounce(() => {
      if (storage) storage.saveDraft(draftName, editor.getValue());
    }, 400);
    editor = root.QuorbelEditor.createEditor({
      host: document.getElementById('editor'),
      textarea,
      form,
      status: document.getElementById('editor-status'),
      onSubmit: analyzeNow,
      onRun: extra && extra.onRun ? () => extra.onRun() : null,
      onChange: () => {
        saveDraft();
        if (extra && extra.onChange) extra.onChange();
      },
    });
    root.quorbelEditor = editor;
    if (root.QuorbelConveniences) {
      root.QuorbelConveniences.attach({editor, form, host: document.getElementById('editor'),
        analyzeNow});
    }
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      analyzeNow();
    });
    return {editor, analyzeNow, opened};
  }

  function startAnalyzePage() {
    const page = startEditorPage('analyze');
    // An analysis opened from the history shows its result again.
    if (page.opened) page.analyzeNow();
    return page;
  }

  function startIdePage() {
    const runButton = document.getElementById('run-button');
    const output = document.getElementById('run-output');
    const stdin = document.getElementById('stdin');
    const expected = document.getElementById('expected');
    const timeLimit = document.getElementById('time-limit');
    const standard = document.getElementById('standard');
    const debugRun = document.getElementById('debug-run');
    const storage = root.QuorbelStorage;
    // The standard and the debug switch stay as the programmer left them.
    const savedStandard = storage ? storage.loadDraft('ide-standard') : null;
    if (standard && savedStandard && [...standard.options].some((o) => o.value === savedStandard)) {
      standard.value = savedStandard;
    }
    if (debugRun && storage) debugRun.checked = storage.loadDraft('ide-debug') === 'on';
    if (standard && storage) {
      standard.addEventListener('change', () => storage.saveDraft('ide-standard', standard.value));
    }
    if (debugRun && storage) {
      debugRun.addEventListener('change', () => storage.saveDraft('ide-debug', debugRun.checked ? 'on' : 'off'));
    }
    const savedInput = storage ? storage.loadDraft('ide-input') : null;
    if (savedInput != null) stdin.value = savedInput;
    stdin.addEventListener('input', debounce(() => {
      if (storage) storage.saveDraft('ide-input', stdin.value);
    }, 400));

    let page = null;
    let running = false;
    let shownFor = null;  // the code whose run is on show
    async function runNow() {
      if (running) return;
      running = true;
      setBusy(runButton, true);
      output.dataset.state = 'busy';
      output.replaceChildren(el('p', {className: 'placeholder busy', text: 'Compiling and running…'}));
      const code = page.editor.getValue();
      const inputs = splitTests(stdin.value);
      const wants = splitTests(expected ? expected.value : '');
      const seconds = Number(timeLimit && timeLimit.value);
      const request = {code, standard: standard ? standard.value : 'c++20',
        debug: Boolean(debugRun && debugRun.checked)};
      if (seconds > 0) request.timeLimitMs = Math.round(seconds * 1000);
      // A blank expected output judges nothing: that test passes by running to its end.
      const judged = (want) => asText(want).trim() === '' ? {} : {expectedOutput: want};
      if (inputs.length > 1) {
        request.tests = inputs.map((input, i) => Object.assign({input}, judged(wants[i])));
      } else {
        Object.assign(request, {input: inputs[0]}, judged(wants[0]));
      }
      const showLine = (line) => {
        page.editor.revealLine(line);
        bringIntoView(document.getElementById('editor'));
      };
      // Each test may take its whole limit, and a little for its box.
      const waitMs = RUN_TIMEOUT_MS + inputs.length * ((seconds > 0 ? seconds : 2) * 1000 + 500);
      const reply = await postJson('/api/run', request, waitMs);
      running = false;
      setBusy(runButton, false);
      if (!(reply.kind === 'answer' && reply.data && typeof reply.data.status === 'string')) {
        const failure = describeFailure(reply, Math.round(waitMs / 1000));
        renderError(output, failure[0], failure[1]);
      } else {
        if (Array.isArray(reply.data.tests)) {
          renderTestsResult(output, reply.data, {expected: wants, onLineClick: showLine});
        } else {
          renderRunResult(output, reply.data, {expected: wants[0], onLineClick: showLine});
        }
        page.editor.showDiagnostics(compilerDiagnostics(reply.data.compilerOutput));
        shownFor = code;
      }
      bringIntoView(output);
    }
    // Output beside code it no longer belongs to would mislead: an edit clears it.
    const clearStale = debounce(() => {
      if (shownFor == null || running || page.editor.getValue() === shownFor) return;
      shownFor = null;
      output.replaceChildren(el('p', {className: 'placeholder', id: 'run-stale',
        text: 'The code changed since the last run: press Run to run it again.'}));
      output.dataset.state = 'stale';
    }, 300);
    page = startEditorPage('ide', {onRun: runNow, onChange: clearStale});
    runButton.addEventListener('click', runNow);
    page.runNow = runNow;
    page.clearStale = clearStale;
    return page;
  }

  root.QuorbelRunner = {
    startAnalyzePage,
    startIdePage,
    renderAnalysis,
    renderRunResult,
    renderTestsResult,
    compilerDiagnostics,
    compareOutput,
    splitTests,
    postJson,
  };
  root.QuorbelChart = {
    chartDomainLog10,
    operationsLog10,
    largestFittingN,
    renderChart,
  };
})(typeof window !== 'undefined' ? window : globalThis);
