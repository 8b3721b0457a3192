// The code editor of the analyze and IDE pages. Monaco (served from /vendor/monaco/) when it
// loads; until then, and for good when it cannot, the page's own <textarea>. Both sit behind
// one small interface so the rest of the page never asks which one is active:
//   getValue(), setValue(text), focus(), revealLine(line), highlightedLine(),
//   showDiagnostics(list), kind, ready.
(function (root) {
  'use strict';

  const MONACO_VS = '/vendor/monaco/vs';
  const LOAD_TIMEOUT_MS = 20000;
  const MONO_FONTS = 'ui-monospace, SFMono-Regular, "SF Mono", Menlo, Consolas, ' +
      '"DejaVu Sans Mono", "Liberation Mono", monospace';

  let monacoPromise = null;

  // Loads Monaco once per page through its AMD loader.
  function loadMonaco() {
    if (monacoPromise) return monacoPromise;
    monacoPromise = new Promise((resolve, reject) => {
      if (root.monaco && root.monaco.editor) {
        resolve(root.monaco);
        return;
      }
      let settled = false;
      const settle = (fn, value) => {
        if (settled) return;
        settled = true;
        clearTimeout(timer);
        fn(value);
      };
      const timer = setTimeout(
          () => settle(reject, new Error('Monaco did not load in time.')), LOAD_TIMEOUT_MS);
      const script = document.createElement('script');
      script.src = MONACO_VS + '/loader.js';
      script.onerror = () => settle(reject, new Error('The Monaco bundle is not installed.'));
      script.onload = () => {
        const amdRequire = root.require;
        if (typeof amdRequire !== 'function' || typeof amdRequire.config !== 'function') {
          settle(reject, new Error('The Monaco loader is not usable.'));
          return;
        }
        // Workers start from a fixed script of this server (see ide-worker.js).
        root.MonacoEnvironment = {getWorkerUrl: () => '/ide-worker.js'};
        amdRequire.config({paths: {vs: MONACO_VS}});
        amdRequire(['vs/editor/editor.main'], () => settle(resolve, root.monaco),
            (error) => settle(reject, error || new Error('Monaco failed to start.')));
      };
      document.head.append(script);
    });
    return monacoPromise;
  }

  function prefersDark() {
    return Boolean(root.matchMedia && root.matchMedia('(prefers-color-scheme: dark)').matches);
  }

  // Focuses the first focusable element after `host` in document order (before it when
  // `backwards`), skipping everything inside it.
  function focusBeside(host, backwards) {
    const all = [...document.querySelectorAll('a[href], button:not([disabled]), input:not([disabled]), ' +
        'select:not([disabled]), textarea:not([disabled]), summary, [tabindex]:not([tabindex="-1"])')]
        .filter((node) => !host.contains(node) && node.offsetParent !== null);
    const after = all.filter((node) =>
      host.compareDocumentPosition(node) & Node.DOCUMENT_POSITION_FOLLOWING);
    const before = all.filter((node) =>
      host.compareDocumentPosition(node) & Node.DOCUMENT_POSITION_PRECEDING);
    const target = backwards ? before[before.length - 1] : after[0];
    if (target) target.focus();
  }

  function isSubmitChord(event) {
    return event.key === 'Enter' && (event.ctrlKey || event.metaKey) && !event.altKey;
  }

  // Offsets of the first and last character of a 1-based line in `text`.
  function lineSpan(text, line) {
    let start = 0;
    for (let i = 1; i < line; i++) {
      const next = text.indexOf('\n', start);
      if (next < 0) return null;
      start = next + 1;
    }
    let end = text.indexOf('\n', start);
    if (end < 0) end = text.length;
    return {start, end};
  }

  // options: host (element for Monaco), textarea (the form field, also the fallback editor),
  // form (gets the class editor-ready once Monaco shows), status (element for load notes),
  // onSubmit (Ctrl/Cmd+Enter), onRun (Ctrl/Cmd+Shift+Enter, optional), onChange (optional).
  function createEditor(options) {
    const {host, textarea, form, status, onSubmit, onRun, onChange} = options;
    let monaco = null;
    let editor = null;
    let decorations = null;
    let highlighted = 0;

    function clearHighlight() {
      highlighted = 0;
      delete textarea.dataset.highlightedLine;
      if (decorations) decorations.clear();
    }

    const api = {
      kind: 'textarea',
      ready: null,
      getValue() {
        return editor ? editor.getValue() : textarea.value;
      },
      setValue(text) {
        const value = String(text);
        textarea.value = value;
        if (editor) editor.setValue(value);
        clearHighlight();
      },
      focus() {
        if (editor) editor.focus();
        else textarea.focus();
      },
      lineCount() {
        return editor ? editor.getModel().getLineCount() : textarea.value.split('\n').length;
      },
      // Scrolls the line into view, puts the cursor on it and marks it until the text changes.
      revealLine(line) {
        const wanted = Math.max(1, Math.min(Number(line) || 1, api.lineCount()));
        if (editor) {
          // The start of the line, also when typing had scrolled the editor sideways.
          editor.revealPositionInCenter({lineNumber: wanted, column: 1});
          editor.setPosition({lineNumber: wanted, column: 1});
          decorations.set([{
            range: new monaco.Range(wanted, 1, wanted, 1),
            options: {
              isWholeLine: true,
              className: 'quorbel-line-highlight',
              linesDecorationsClassName: 'quorbel-line-marker',
            },
          }]);
          editor.focus();
        } else {
          const span = lineSpan(textarea.value, wanted);
          if (span) {
            textarea.focus();
            textarea.setSelectionRange(span.start, span.end);
            const lineHeight = parseFloat(root.getComputedStyle(textarea).lineHeight) || 20;
            textarea.scrollTop = Math.max(0, (wanted - 1) * lineHeight - textarea.clientHeight / 2);
          }
          textarea.dataset.highlightedLine = String(wanted);
        }
        highlighted = wanted;
      },
      highlightedLine() {
        return highlighted;
      },
      // Marks compiler messages in the text: [{line, column, severity, message}]; an empty
      // list removes the marks of the previous compile. The plain editor shows none.
      showDiagnostics(list) {
        if (!editor) return;
        const model = editor.getModel();
        const markers = [];
        for (const d of list || []) {
          if (!(d.line >= 1 && d.line <= model.getLineCount())) continue;
          const column = Math.max(1, Math.min(d.column || 1, model.getLineMaxColumn(d.line)));
          const word = model.getWordAtPosition({lineNumber: d.line, column});
          markers.push({
            startLineNumber: d.line,
            startColumn: word ? word.startColumn : column,
            endLineNumber: d.line,
            endColumn: word ? word.endColumn : Math.min(column + 1, model.getLineMaxColumn(d.line)),
            severity: d.severity === 'warning' ? monaco.MarkerSeverity.Warning :
                monaco.MarkerSeverity.Error,
            message: d.message,
            source: 'g++',
          });
        }
        monaco.editor.setModelMarkers(model, 'quorbel-compiler', markers);
      },
    };

    textarea.addEventListener('input', () => {
      clearHighlight();
      if (onChange) onChange();
    });

    // The chords also work outside the editor (the input box, the buttons); Monaco handles
    // its own, so events from inside it are left alone.
    document.addEventListener('keydown', (event) => {
      if (!isSubmitChord(event) || event.defaultPrevented) return;
      if (editor && host.contains(event.target)) return;
      event.preventDefault();
      if (event.shiftKey) {
        if (onRun) onRun();
      } else if (onSubmit) {
        onSubmit();
      }
    });

    function mount(loaded) {
      monaco = loaded;
      if (root.QuorbelCompletions) root.QuorbelCompletions.register(monaco);
      form.classList.add('editor-ready');
      editor = monaco.editor.create(host, {
        value: textarea.value,
        language: 'cpp',
        theme: prefersDark() ? 'vs-dark' : 'vs',
        automaticLayout: true,
        minimap: {enabled: false},
        fontFamily: MONO_FONTS,
        fontSize: 14,
        tabSize: 4,
        insertSpaces: true,
        scrollBeyondLastLine: false,
        renderWhitespace: 'selection',
        fixedOverflowWidgets: true,
        // Monaco 0.52's sticky scroll awaits the folding model and then measures the scopes it
        // found before the wait: text replaced meanwhile by a shorter text (a paste over
        // everything) makes it throw "Illegal value for lineNumber" from a stale line.
        stickyScroll: {enabled: false},
        wordBasedSuggestions: 'currentDocument',
        ariaLabel: 'C++ source',
      });
      decorations = editor.createDecorationsCollection([]);
      editor.onDidChangeModelContent(() => {
        textarea.value = editor.getValue();
        clearHighlight();
        if (onChange) onChange();
      });
      editor.addCommand(monaco.KeyMod.CtrlCmd | monaco.KeyCode.Enter, () => {
        if (onSubmit) onSubmit();
      });
      if (onRun) {
        editor.addCommand(monaco.KeyMod.CtrlCmd | monaco.KeyMod.Shift | monaco.KeyCode.Enter,
            () => onRun());
      }
      // Tab indents; after Escape, Tab (or Shift+Tab) leaves the editor instead: Monaco's
      // tab-focus mode, on until any other key or until the editor loses focus.
      let tabLeaves = false;
      const setTabLeaves = (on) => {
        if (tabLeaves === on) return;
        tabLeaves = on;
        editor.updateOptions({tabFocusMode: on});
        host.dataset.tabLeaves = on ? 'true' : 'false';
      };
      editor.onKeyDown((event) => {
        if (event.keyCode === monaco.KeyCode.Escape) {
          setTabLeaves(true);
        } else if (event.keyCode === monaco.KeyCode.Tab && tabLeaves) {
          // Where the option alone does not hand Tab back to the page, move focus here.
          event.preventDefault();
          event.stopPropagation();
          focusBeside(host, event.shiftKey);
        } else if (event.keyCode !== monaco.KeyCode.Tab && event.keyCode !== monaco.KeyCode.Shift) {
          setTabLeaves(false);
        }
      });
      editor.onDidBlurEditorText(() => setTabLeaves(false));
      if (root.matchMedia) {
        root.matchMedia('(prefers-color-scheme: dark)').addEventListener('change', (event) => {
          monaco.editor.setTheme(event.matches ? 'vs-dark' : 'vs');
        });
      }
      api.kind = 'monaco';
      host.dataset.editor = 'monaco';
      return api;
    }

    api.ready = loadMonaco().then(mount, (error) => {
      if (status) {
        const note = document.createElement('span');
        note.className = 'hint editor-fallback';
        note.textContent = ' Plain text editor: ' + (error && error.message ? error.message :
            'the code editor could not be loaded.');
        status.append(note);
      }
      return api;
    });
    return api;
  }

  root.QuorbelEditor = {createEditor, loadMonaco};
})(typeof window !== 'undefined' ? window : globalThis);
