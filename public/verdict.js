// The verdict card of the analyze and IDE pages: "will it pass?" at the limits. One field per
// size of the estimate plus the time and memory limits, filled from the server's verdict (a
// constraints comment, a constant, or the defaults) and editable; every number shown comes
// from /api/analyze, so the page, the command line and the API agree.
(function (root) {
  'use strict';

  const STATUS_TEXT = {
    'fits': 'Fits',
    'tight': 'Tight',
    'too slow': 'Too slow',
    'too much': 'Too much',
    'unknown': 'No verdict',
  };

  function el(tag, attrs, children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attrs || {})) {
      if (value == null || value === false) continue;
      if (key === 'text') node.textContent = value;
      else if (key === 'className') node.className = value;
      else node.setAttribute(key, String(value));
    }
    for (const child of children || []) {
      if (child != null && child !== false) node.append(child);
    }
    return node;
  }

  function asText(value) {
    return value == null ? '' : String(value);
  }

  function asList(value) {
    return Array.isArray(value) ? value : [];
  }

  // A number as the limit fields show it: "200000" rather than "2e+5".
  function fieldValue(value) {
    return typeof value === 'number' && Number.isFinite(value) ? String(value) : '';
  }

  // The summary without its leading status ("too slow: ..."), which the badge already says.
  function detailOf(summary, status) {
    const lead = status === 'unknown' ? /^no verdict for [a-z]+: / : /^[a-z ]+: /;
    return summary.replace(lead, '');
  }

  function statusLine(kind, title, part) {
    const status = asText(part && part.status) || 'unknown';
    return el('p', {className: 'verdict-line', id: 'verdict-' + kind}, [
      el('span', {className: 'verdict-badge', 'data-status': status,
        text: title + ': ' + (STATUS_TEXT[status] || status)}),
      ' ',
      el('span', {className: 'verdict-summary', text: detailOf(asText(part && part.summary), status)}),
    ]);
  }

  // The card and its fields. onChange() is called (debounced by the caller) after an edit.
  function createVerdictPanel(onChange) {
    const fields = el('div', {className: 'verdict-fields'});
    const result = el('div', {className: 'verdict-result', id: 'verdict-result'});
    const error = el('p', {className: 'message message-error verdict-error', id: 'verdict-error',
      role: 'alert', hidden: ''});
    const card = el('article', {className: 'metric metric-verdict', id: 'verdict-card'}, [
      el('h3', {text: 'Will it pass?'}),
      el('div', {className: 'verdict-body'}, [
        el('div', {className: 'verdict-outcome'}, [result, error]),
        el('details', {className: 'verdict-limits', open: ''}, [
          el('summary', {text: 'Limits'}),
          fields,
        ]),
      ]),
    ]);
    const edited = new Map();  // field key -> text typed by the user
    let sizeNames = [];
    let shown = null;  // the verdict on the card now; null while it shows a refusal

    function field(key, labelText, source, value, attrs) {
      const input = el('input', Object.assign({type: 'text', inputmode: 'decimal',
        autocomplete: 'off', spellcheck: 'false', 'data-key': key}, attrs || {}));
      input.value = edited.has(key) ? edited.get(key) : value;
      input.addEventListener('input', () => {
        edited.set(key, input.value.trim());
        onChange();
      });
      return el('label', {className: 'verdict-field'}, [
        el('span', {className: 'verdict-field-name', text: labelText}),
        input,
        el('span', {className: 'verdict-source', text: source}),
      ]);
    }

    function fillFields(verdict) {
      const sizes = asList(verdict.sizes);
      sizeNames = sizes.map((size) => asText(size && size.name));
      // An edit of a size the new estimate no longer has is dropped with its field.
      for (const key of [...edited.keys()]) {
        if (key.startsWith('size:') && !sizeNames.includes(key.slice(5))) edited.delete(key);
      }
      const rows = sizes.map((size) => field('size:' + size.name, size.name,
          size.known ? asText(size.source) : 'no limit known', fieldValue(size.value),
          {'data-size': size.name, placeholder: 'limit'}));
      rows.push(field('time', 'Time limit (s)', asText(verdict.timeLimitSource),
          fieldValue(verdict.timeLimitSeconds), {id: 'limit-time'}));
      rows.push(field('memory', 'Memory (MB)', asText(verdict.memoryLimitSource),
          fieldValue(verdict.memoryLimitMb), {id: 'limit-memory'}));
      fields.replaceChildren(...rows);
    }

    function showResult(verdict) {
      const time = verdict.time || {};
      const memory = verdict.memory || {};
      const children = [statusLine('time', 'Time', time)];
      if (time.evaluation) {
        children.push(el('p', {className: 'verdict-operations', id: 'verdict-operations',
          text: 'Operations: ' + time.evaluation}));
      }
      children.push(statusLine('memory', 'Memory', memory));
      const items = asList(memory.items);
      if (items.length) {
        children.push(el('ul', {className: 'verdict-items', id: 'verdict-memory-items'},
            items.map((item) => el('li', {text: 'line ' + asText(item.line) + ': ' +
                asText(item.what) + ': ' + asText(item.text)}))));
      }
      for (const note of asList(verdict.notes)) {
        children.push(el('p', {className: 'verdict-note', text: asText(note)}));
      }
      result.replaceChildren(...children);
      result.hidden = false;
    }

    return {
      element: card,
      // Shows a verdict of the server; the fields are rebuilt only when the sizes change,
      // so a field being typed in keeps its focus.
      show(verdict) {
        verdict = verdict || {};
        shown = verdict;
        const names = asList(verdict.sizes).map((size) => asText(size && size.name));
        if (names.join('\n') !== sizeNames.join('\n') || !fields.childElementCount) {
          fillFields(verdict);
        } else {
          for (const size of asList(verdict.sizes)) {
            const source = fields.querySelector(`input[data-key="${CSS.escape('size:' + size.name)}"]`);
            if (source) source.nextElementSibling.textContent =
                size.known ? asText(size.source) : 'no limit known';
          }
          fields.querySelector('#limit-time').nextElementSibling.textContent =
              asText(verdict.timeLimitSource);
          fields.querySelector('#limit-memory').nextElementSibling.textContent =
              asText(verdict.memoryLimitSource);
        }
        error.hidden = true;
        error.textContent = '';
        card.dataset.time = asText(verdict.time && verdict.time.status);
        card.dataset.memory = asText(verdict.memory && verdict.memory.status);
        showResult(verdict);
      },
      // A message instead of a verdict: no verdict is shown for a value not understood.
      showError(message) {
        shown = null;
        error.textContent = message;
        error.hidden = false;
        result.hidden = true;
        card.dataset.time = '';
        card.dataset.memory = '';
      },
      // The verdict the card shows, judged at the limits typed into it; null after a refusal.
      current() {
        return shown;
      },
      // The request fields for what the user typed; untouched fields keep their sources.
      request() {
        const payload = {};
        const limits = {};
        for (const [key, text] of edited) {
          if (text === '') continue;
          if (key === 'time') payload.timeLimitSeconds = text;
          else if (key === 'memory') payload.memoryLimitMb = text;
          else limits[key.slice(5)] = text;
        }
        if (Object.keys(limits).length) payload.limits = limits;
        return payload;
      },
    };
  }

  // Where the growth chart marks the verdict: the largest limit among the time formula's
  // sizes, at the operations the server computed.
  function chartMark(verdict) {
    const time = verdict && verdict.time;
    if (!time || typeof time.operationsLog10 !== 'number') return null;
    let largest = null;
    for (const size of asList(verdict.sizes)) {
      if (!asList(time.sizes).includes(size.name) || !size.known) continue;
      if (largest == null || size.value > largest.value) largest = size;
    }
    if (!largest || !(largest.value >= 1)) return null;
    return {log10N: Math.log10(largest.value), log10Ops: time.operationsLog10,
      label: largest.name + ' = ' + asText(largest.text) + ': ' + asText(time.operationsText),
      status: asText(time.status)};
  }

  root.QuorbelVerdict = {createVerdictPanel, chartMark};
})(typeof window !== 'undefined' ? window : globalThis);
