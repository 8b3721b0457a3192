// The browser-side history of this user's analyses and the editor drafts, both kept in
// localStorage, plus the /storage page that lists the history. Nothing here talks to the
// server: the history never leaves the browser.
(function (root) {
  'use strict';

  const HISTORY_KEY = 'quorbel.history.v1';
  const DRAFT_PREFIX = 'quorbel.draft.';
  const MAX_ENTRIES = 100;
  const FIRST_LINE_LIMIT = 100;

  // ---- localStorage access that never throws ----
  // Private windows, disabled storage and full quotas all raise; the pages must keep working.

  function storage() {
    try {
      const s = root.localStorage;
      if (!s) return null;
      return s;
    } catch (e) {
      return null;
    }
  }

  function isAvailable() {
    const s = storage();
    if (!s) return false;
    try {
      const probe = DRAFT_PREFIX + 'probe';
      s.setItem(probe, '1');
      s.removeItem(probe);
      return true;
    } catch (e) {
      return false;
    }
  }

  function isEntry(value) {
    return value && typeof value === 'object' && typeof value.id === 'string' &&
        typeof value.code === 'string' && typeof value.time === 'string';
  }

  function readHistory() {
    const s = storage();
    if (!s) return [];
    try {
      const parsed = JSON.parse(s.getItem(HISTORY_KEY) || '[]');
      return Array.isArray(parsed) ? parsed.filter(isEntry) : [];
    } catch (e) {
      return [];
    }
  }

  // Writes the list, dropping the oldest entries while the quota refuses it.
  function writeHistory(list) {
    const s = storage();
    if (!s) return false;
    let kept = list.slice(0, MAX_ENTRIES);
    for (;;) {
      try {
        if (kept.length === 0) {
          s.removeItem(HISTORY_KEY);
        } else {
          s.setItem(HISTORY_KEY, JSON.stringify(kept));
        }
        return true;
      } catch (e) {
        if (kept.length <= 1) return false;
        kept = kept.slice(0, kept.length - 1);
      }
    }
  }

  // ---- History ----

  // The first line that holds anything but white space, shortened for a list.
  function firstLineOf(code) {
    const lines = String(code).split('\n');
    for (const raw of lines) {
      const line = raw.trim();
      if (line === '') continue;
      return line.length > FIRST_LINE_LIMIT ? line.slice(0, FIRST_LINE_LIMIT - 1) + '…' : line;
    }
    return '(empty)';
  }

  function newId() {
    return Date.now().toString(36) + '-' + Math.random().toString(36).slice(2, 8);
  }

  // Records one analysis; `result` is the /api/analyze document. Analyzing the same code
  // twice in a row refreshes the newest entry instead of adding a copy.
  function addAnalysis(code, result) {
    const list = readHistory();
    const space = (result && result.space) || {};
    const entry = {
      id: newId(),
      time: new Date().toISOString(),
      firstLine: firstLineOf(code),
      notation: String((result && result.notation) || ''),
      label: String((result && result.label) || ''),
      pattern: String((result && result.pattern) || ''),
      spaceNotation: String(space.notation || ''),
      spaceLabel: String(space.label || ''),
      code: String(code),
    };
    if (list.length > 0 && list[0].code === entry.code && list[0].notation === entry.notation &&
        list[0].spaceNotation === entry.spaceNotation) {
      entry.id = list[0].id;
      list.shift();
    }
    list.unshift(entry);
    return writeHistory(list) ? entry : null;
  }

  function listAnalyses() {
    return readHistory();
  }

  function getAnalysis(id) {
    return readHistory().find((entry) => entry.id === id) || null;
  }

  function removeAnalysis(id) {
    return writeHistory(readHistory().filter((entry) => entry.id !== id));
  }

  function clearAnalyses() {
    return writeHistory([]);
  }

  // ---- Drafts: the editor text of a page, restored on the next visit ----

  function saveDraft(name, text) {
    const s = storage();
    if (!s) return;
    try {
      s.setItem(DRAFT_PREFIX + name, String(text));
    } catch (e) {
      // A draft that does not fit is simply not kept.
    }
  }

  function loadDraft(name) {
    const s = storage();
    if (!s) return null;
    try {
      return s.getItem(DRAFT_PREFIX + name);
    } catch (e) {
      return null;
    }
  }

  // ---- The /storage page ----

  function el(tag, attrs, children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attrs || {})) {
      if (key === 'text') node.textContent = value;
      else if (key === 'className') node.className = value;
      else node.setAttribute(key, value);
    }
    for (const child of children || []) {
      if (child != null) node.append(child);
    }
    return node;
  }

  function formatTime(iso) {
    const date = new Date(iso);
    if (Number.isNaN(date.getTime())) return iso;
    return date.toLocaleString(undefined, {dateStyle: 'medium', timeStyle: 'short'});
  }

  function renderHistoryItem(entry, onRemove) {
    const open = encodeURIComponent(entry.id);
    const notations = el('div', {className: 'history-notations'}, [
      el('span', {}, ['Time ', el('code', {className: 'history-time', text: entry.notation || '?'})]),
      el('span', {}, ['Space ', el('code', {className: 'history-space', text: entry.spaceNotation || '?'})]),
      entry.label ? el('span', {className: 'hint', text: entry.label}) : null,
    ]);
    const remove = el('button', {type: 'button', className: 'danger', text: 'Delete'});
    remove.addEventListener('click', () => onRemove(entry.id));
    return el('li', {className: 'history-item', 'data-id': entry.id}, [
      el('div', {}, [
        el('time', {datetime: entry.time, text: formatTime(entry.time)}),
        el('code', {className: 'history-first-line', title: entry.firstLine, text: entry.firstLine}),
        notations,
      ]),
      el('div', {className: 'history-actions'}, [
        el('a', {className: 'button primary open-analyze', href: '/?open=' + open, text: 'Open'}),
        el('a', {className: 'button open-ide', href: '/ide?open=' + open, text: 'Open in IDE'}),
        remove,
      ]),
    ]);
  }

  function renderHistory(container, clearButton) {
    container.replaceChildren();
    if (!isAvailable()) {
      container.append(el('p', {className: 'message message-warn',
        text: 'This browser does not allow local storage here, so no history can be kept.'}));
      if (clearButton) clearButton.disabled = true;
      return;
    }
    const list = readHistory();
    if (clearButton) clearButton.disabled = list.length === 0;
    if (list.length === 0) {
      container.append(el('p', {className: 'placeholder history-empty'}, [
        'No analyses yet. ',
        el('a', {href: '/', text: 'Analyze a program'}),
        ' and it will be listed here.',
      ]));
      return;
    }
    const rerender = () => renderHistory(container, clearButton);
    const items = list.map((entry) => renderHistoryItem(entry, (id) => {
      removeAnalysis(id);
      rerender();
    }));
    container.append(
        el('p', {className: 'hint history-count',
          text: list.length === 1 ? '1 analysis' : list.length + ' analyses'}),
        el('ul', {className: 'history-list', id: 'history-list'}, items));
  }

  function startStoragePage() {
    const container = document.getElementById('history');
    const clearButton = document.getElementById('clear-history');
    renderHistory(container, clearButton);
    clearButton.addEventListener('click', () => {
      if (!root.confirm('Remove every analysis from this browser\'s history?')) return;
      clearAnalyses();
      renderHistory(container, clearButton);
    });
    // Another tab may analyze while this one is open.
    root.addEventListener('storage', (event) => {
      if (event.key === HISTORY_KEY || event.key === null) renderHistory(container, clearButton);
    });
  }

  root.QuorbelStorage = {
    isAvailable,
    addAnalysis,
    listAnalyses,
    getAnalysis,
    removeAnalysis,
    clearAnalyses,
    firstLineOf,
    saveDraft,
    loadDraft,
    startStoragePage,
  };
})(typeof window !== 'undefined' ? window : globalThis);
