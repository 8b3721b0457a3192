-- `quorbel lsp` in a real editor: Debian 12's Neovim (0.7) headless opens a too-slow program,
-- waits for the diagnostic and reads it, hovers the inner loop, reads the code lenses, edits the
-- loop away, sees the diagnostic clear, and stops the server (shutdown, then exit: status 0).
-- Run: QUORBEL_BINARY=build/quorbel nvim --headless -u NONE -i NONE -n -c 'luafile THIS'
-- Neovim 0.7 has no vim.lsp.start: vim.lsp.start_client and buf_attach_client instead.

local program = {
  '// 1 <= n <= 2*10^5',
  '#include <bits/stdc++.h>',
  'using namespace std;',
  'int main() {',
  '  int n;',
  '  cin >> n;',
  '  vector<long long> a(n);',
  '  for (int i = 0; i < n; i++) cin >> a[i];',
  '  long long best = 0;',
  '  for (int i = 0; i < n; i++) {',
  '    for (int j = i + 1; j < n; j++) {', -- line 11, the editor's line 10
  '      best = max(best, a[i] + a[j]);',
  '    }',
  '  }',
  '  cout << best << endl;',
  '}',
}
local INNER = 10
local WAIT_MS = 30000

local function check(condition, what)
  if not condition then error(what, 0) end
end

local function run()
  local binary = os.getenv('QUORBEL_BINARY')
  check(binary ~= nil and vim.fn.executable(binary) == 1, 'QUORBEL_BINARY names no program')
  vim.lsp.set_log_level('ERROR')
  local dir = vim.fn.tempname()
  vim.fn.mkdir(dir, 'p')
  local file = dir .. '/slow.cpp'
  vim.fn.writefile(program, file)
  vim.cmd('edit ' .. vim.fn.fnameescape(file))
  local buf = vim.api.nvim_get_current_buf()

  local exit_code
  local client_id = vim.lsp.start_client({
    name = 'quorbel',
    cmd = { binary, 'lsp' },
    root_dir = dir,
    on_exit = function(code) exit_code = code end,
  })
  check(client_id ~= nil, 'the server did not start')
  check(vim.lsp.buf_attach_client(buf, client_id), 'the buffer was not attached')
  local client = vim.lsp.get_client_by_id(client_id)

  -- The diagnostic on the dominating loop.
  check(vim.wait(WAIT_MS, function() return #vim.diagnostic.get(buf) > 0 end, 20),
        'no diagnostics for the too-slow program')
  local diagnostics = vim.diagnostic.get(buf)
  check(#diagnostics == 1, 'expected one diagnostic, got ' .. #diagnostics)
  local warning = diagnostics[1]
  check(warning.lnum == INNER, 'the diagnostic is on line ' .. warning.lnum .. ', not ' .. INNER)
  check(warning.severity == vim.diagnostic.severity.WARN, 'the diagnostic is not a warning')
  check(warning.message:find('too slow: about 4*10^10 operations at n = 2*10^5', 1, true) == 1,
        'unexpected message: ' .. warning.message)
  print('diagnostic: line ' .. warning.lnum .. ': ' .. warning.message)

  -- Hover on the inner loop names its cost.
  local uri = vim.uri_from_bufnr(buf)
  local hover = client.request_sync('textDocument/hover', {
    textDocument = { uri = uri },
    position = { line = INNER, character = 8 },
  }, WAIT_MS, buf)
  check(hover and hover.result and hover.result.contents, 'no hover')
  check(hover.result.contents.value:find('O(n^2)', 1, true), 'hover: ' .. vim.inspect(hover))
  print('hover: ' .. hover.result.contents.value:gsub('\n.*', ''))

  -- A code lens carries the cost on the loop's line.
  local lenses = client.request_sync('textDocument/codeLens', { textDocument = { uri = uri } },
                                     WAIT_MS, buf)
  check(lenses and lenses.result, 'no code lenses')
  local found = false
  for _, lens in ipairs(lenses.result) do
    if lens.range.start.line == INNER and lens.command.title == 'O(n^2) for loop over j' then
      found = true
    end
  end
  check(found, 'no lens "O(n^2) for loop over j" on line ' .. INNER .. ': ' ..
        vim.inspect(lenses.result))

  -- The edit that makes it fast clears the diagnostic.
  vim.api.nvim_buf_set_lines(buf, INNER, INNER + 1, false, { '    {' })
  check(vim.wait(WAIT_MS, function() return #vim.diagnostic.get(buf) == 0 end, 20),
        'the diagnostic did not clear after the edit')
  print('cleared after the edit')

  client.stop()
  check(vim.wait(WAIT_MS, function() return exit_code ~= nil end, 20), 'the server did not exit')
  check(exit_code == 0, 'the server exited with ' .. tostring(exit_code))
  print('server exited with 0')
  vim.fn.delete(dir, 'rf')
end

local ok, problem = pcall(run)
if ok then
  io.stdout:write('neovim lsp test: 1 passed, 0 failed\n')
  vim.cmd('qall!')
else
  io.stderr:write('neovim lsp test: ' .. tostring(problem) .. '\n')
  io.stdout:write('neovim lsp test: 0 passed, 1 failed\n')
  vim.cmd('cquit 1')
end
