// The Measure button of the analyze page: posts the editor's program to /api/measure, shows
// the measured class beside the estimate with the sizes and times as evidence, draws the
// times on the growth chart (10^8 operations to the second, the chart's own budget line) and
// offers the generated input of the largest size for download.
(function (root) {
  'use strict';

  const MEASURE_TIMEOUT_MS = 120000;
  const OPERATIONS_PER_SECOND_LOG10 = 8;
  const SVG_NS = 'http://www.w3.org/2000/svg';

  function el(tag, attrs, children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attrs || {})) {
      if (key === 'text') node.textContent = value;
      else if (key === 'className') node.className = value;
      else node.setAttribute(key, value);
    }
    for (const child of children || []) if (child) node.append(child);
    return node;
  }

  function formatSeconds(seconds) {
    return seconds >= 0.1 ? seconds.toFixed(2) + ' s' : (seconds * 1000).toFixed(1) + ' ms';
  }

  function sizesText(point) {
    const parts = Object.entries(point.sizes || {}).map(([name, value]) => name + ' = ' + value);
    return parts.length ? parts.join(', ') : 'n = ' + point.size;
  }

  // The chart keeps its scales on the svg element (data-min-log10, data-max-log10, data-plot,
  // data-y-max): each point goes where its size and its time in operations fall.
  function drawPoints(doc) {
    const chart = document.getElementById('growth-chart');
    if (!chart || !chart.dataset.plot) return 0;
    const old = chart.querySelector('#measured-points');
    if (old) old.remove();
    const [left, top, width, height] = chart.dataset.plot.split(' ').map(Number);
    const minLog10 = Number(chart.dataset.minLog10);
    const maxLog10 = Number(chart.dataset.maxLog10);
    const yMax = Number(chart.dataset.yMax);
    const group = document.createElementNS(SVG_NS, 'g');
    group.setAttribute('id', 'measured-points');
    let drawn = 0;
    for (const point of doc.points || []) {
      if (!(point.size > 0) || !(point.best > 0)) continue;
      const log10N = Math.log10(point.size);
      const log10Ops = Math.log10(point.best) + OPERATIONS_PER_SECOND_LOG10;
      if (log10N < minLog10 || log10N > maxLog10) continue;
      const x = left + (log10N - minLog10) / (maxLog10 - minLog10) * width;
      const y = top + height - Math.max(-0.5, Math.min(yMax, log10Ops)) / yMax * height;
      const circle = document.createElementNS(SVG_NS, 'circle');
      circle.setAttribute('class', 'measured-point');
      circle.setAttribute('cx', x.toFixed(1));
      circle.setAttribute('cy', y.toFixed(1));
      circle.setAttribute('r', '4');
      circle.setAttribute('data-size', String(point.size));
      const title = document.createElementNS(SVG_NS, 'title');
      title.textContent = sizesText(point) + ': ' + formatSeconds(point.best);
      circle.append(title);
      group.append(circle);
      drawn++;
    }
    chart.append(group);
    return drawn;
  }

  function downloadLink(doc) {
    if (typeof doc.largestInput !== 'string' || doc.largestInput === '') {
      return doc.largestInputBytes > 0 ?
          el('p', {className: 'hint', text: 'The largest input (' + doc.largestInputBytes +
              ' bytes) is too large to download here; `quorbel measure` writes it locally.'}) : null;
    }
    const last = (doc.points || [])[doc.points.length - 1];
    const url = URL.createObjectURL(new Blob([doc.largestInput], {type: 'text/plain'}));
    return el('a', {id: 'measure-download', href: url,
      download: 'input-' + (last ? last.size : 'largest') + '.txt',
      text: 'Download the input of the largest size'});
  }

  function render(container, doc) {
    const measured = typeof doc.measured === 'string' ? doc.measured : null;
    const rows = (doc.points || []).map((point) => el('tr', {}, [
      el('td', {text: sizesText(point)}),
      el('td', {text: formatSeconds(point.best)}),
      el('td', {text: String(point.inputBytes)}),
    ]));
    const children = [
      el('h3', {id: 'measure-title', text: 'Measured growth'}),
      el('p', {className: 'measure-verdict', id: 'measure-verdict',
        'data-status': String(doc.status), 'data-agrees': String(doc.agrees === true)}, [
        measured ? el('strong', {text: measured + ' measured'}) : null,
        measured ? ' — ' + (doc.comparison || '') + '. ' : null,
        String(doc.message || ''),
      ]),
      doc.shape ? el('p', {className: 'hint', text: 'Input shape: ' + doc.shape + '.'}) : null,
      doc.stopReason ? el('p', {className: 'hint', text: 'Stopped: ' + doc.stopReason + '.'}) : null,
    ];
    if (rows.length) {
      children.push(el('table', {className: 'breakdown', id: 'measure-points'}, [
        el('thead', {}, [el('tr', {}, [el('th', {text: 'Sizes'}), el('th', {text: 'CPU time'}),
          el('th', {text: 'Input bytes'})])]),
        el('tbody', {}, rows),
      ]));
    }
    const drawn = drawPoints(doc);
    if (drawn) {
      children.push(el('p', {className: 'hint', text: 'The measured times are drawn on the ' +
          'growth chart as dots, at 10⁸ operations to the second.'}));
    }
    children.push(downloadLink(doc));
    container.replaceChildren(...children.filter(Boolean));
    container.dataset.state = 'done';
  }

  function attach(page) {
    const button = document.getElementById('measure-button');
    const results = document.getElementById('results');
    if (!button || !results || !root.QuorbelRunner) return;
    let running = false;
    button.addEventListener('click', async () => {
      if (running) return;
      running = true;
      button.disabled = true;
      button.setAttribute('aria-busy', 'true');
      if (!document.getElementById('growth-chart') && page.analyzeNow) await page.analyzeNow();
      let container = document.getElementById('measure-result');
      if (!container) {
        container = el('section', {id: 'measure-result', 'aria-labelledby': 'measure-title'});
        results.append(container);
      }
      container.dataset.state = 'busy';
      container.replaceChildren(el('p', {className: 'placeholder busy',
        text: 'Compiling, then running at doubling sizes (up to about 30 s)…'}));
      const reply = await root.QuorbelRunner.postJson('/api/measure',
          {code: page.editor.getValue()}, MEASURE_TIMEOUT_MS);
      running = false;
      button.disabled = false;
      button.setAttribute('aria-busy', 'false');
      if (!document.getElementById('measure-result')) results.append(container);
      if (reply.kind === 'answer' && reply.data && typeof reply.data.status === 'string') {
        render(container, reply.data);
        return;
      }
      container.replaceChildren(el('p', {className: 'message message-error', role: 'alert',
        text: reply.kind === 'timeout' ? 'The measurement did not finish in time.' :
            'Could not reach the quorbel server.'}));
      container.dataset.state = 'error';
    });
  }

  root.QuorbelMeasure = {attach, drawPoints};
})(typeof window !== 'undefined' ? window : globalThis);
