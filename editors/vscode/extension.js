// Starts `quorbel lsp` for C++ files: diagnostics from the verdict at the limits, code lenses
// and inlay hints with each loop's cost, hover with the reason. The settings under "quorbel"
// reach the server at start and on every change.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function limitSettings() {
  const settings = vscode.workspace.getConfiguration('quorbel');
  return {
    limits: settings.get('limits'),
    timeLimitSeconds: settings.get('timeLimitSeconds'),
    memoryLimitMb: settings.get('memoryLimitMb'),
  };
}

async function activate(context) {
  const command = vscode.workspace.getConfiguration('quorbel').get('path') || 'quorbel';
  client = new LanguageClient(
    'quorbel',
    'quorbel',
    { command, args: ['lsp'] },
    {
      documentSelector: [
        { scheme: 'file', language: 'cpp' },
        { scheme: 'untitled', language: 'cpp' },
      ],
      initializationOptions: limitSettings(),
      synchronize: { configurationSection: 'quorbel' },
    },
  );
  // The server's own command wants the file: the palette's command hands it the active one.
  context.subscriptions.push(
    vscode.commands.registerCommand('quorbel.measureFile', () => {
      const editor = vscode.window.activeTextEditor;
      if (!editor) return undefined;
      return client.sendRequest('workspace/executeCommand', {
        command: 'quorbel.measure',
        arguments: [editor.document.uri.toString()],
      });
    }),
  );
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
