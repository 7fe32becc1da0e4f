// The page around the engine: maps the controls to zemrik-cli's arguments,
// runs the engine in a worker, shows its messages, progress and output.
'use strict';

// The Output box holds at most this much text; Save has the whole table.
const kShownLimit = 256 * 1024;
// The file name Save gives, by language.
const kExtensions = {c: 'c', asm: 'asm', delphi: 'pas', datastr: 'txt', rust: 'rs', go: 'go', python: 'py',
                     csharp: 'cs', gas: 's', java: 'java', javascript: 'js'};
// The engine's second lines name its options; the page names its controls.
const kControlNames = [
  [/-s\/--size( HEX)?/g, 'Size'], [/-a\/--address( HEX)?/g, 'Address'], [/--va( HEX)?/g, 'Virtual address'],
  [/--symbol( NAME)?/g, 'Symbol'], [/-n\/--per-line( DEC)?/g, 'Per line'], [/-i ([a-z0-9]+) fits/g, 'Items "$1" fits'],
  [/-i\/--items/g, 'Items'], [/-l\/--language/g, 'Language'], [/--rva/g, 'Virtual address'],
  [/--name( IDENT)?/g, 'Name'], [/--const/g, 'Const'], [/--length/g, 'Length constant'],
  [/--fixed-types/g, 'Fixed-width types'],
  [/; --list-sections lists them/g, ''], [/ with -a$/, ' in Address, Virtual address unchecked'],
  // The engine reads the file at a path of the worker's; the page names the file.
  [/\/(input|image)\//g, ''],
];

const $ = (id) => document.getElementById(id);
const controls = {
  file: $('file'), symbol: $('symbol'), address: $('address'), virtualAddress: $('virtual-address'),
  size: $('size'), items: $('items'), perLine: $('per-line'), language: $('language'), decimal: $('decimal'),
  bigEndian: $('big-endian'), fixedTypes: $('fixed-types'), constant: $('const'), length: $('length'),
  name: $('name'), lineEnd: $('line-end'), go: $('go'), stop: $('stop'), output: $('output'),
  copy: $('copy'), save: $('save'), messages: $('messages'), progress: $('progress'),
  progressText: $('progress-text'), outputNote: $('output-note'), fileSize: $('file-size'),
};

let worker = null;
let ready = false;
let file = null;
let running = false;
let parts = [];          // the whole table, as Blobs: held by the browser, not the page
let partBytes = 0;
let savedName = null;    // the whole table in the origin's private files, if there
let shownLength = 0;
let decoder = null;
let lastRun = null;      // what the last run's Save is named after
let refused = false;
let progressShown = 0;   // updates of the last run
window.zemrikLastRun = null;  // timings, read by the browser tests

function startWorker() {
  const source = '(' + zemrikWorkerMain.toString() + ')()';
  worker = new Worker(URL.createObjectURL(new Blob([source], {type: 'text/javascript'})));
  ready = false;
  worker.onmessage = (event) => handle(event.data);
}

function fillList(select, names, chosen) {
  select.replaceChildren(...names.map((name) => new Option(name, name, false, name === chosen)));
}

function showMessage(text, kind) {
  controls.messages.textContent = text;
  controls.messages.className = kind || '';
}

function addMessage(text) {
  let line = text.replace(/^zemrik-cli: /, '');
  if (/^(Usage: |Try 'zemrik-cli)/.test(line)) return;
  for (const [option, control] of kControlNames) line = line.replace(option, control);
  const shown = controls.messages.textContent;
  showMessage(shown ? shown + '\n' + line : line, 'refused');
  refused = true;
}

function handle(message) {
  switch (message.type) {
  case 'ready':
    fillList(controls.items, message.items, 'bytes');
    fillList(controls.language, message.languages, 'c');
    ready = true;
    if (file) worker.postMessage({type: 'choose', file});
    else updateButtons();
    break;
  case 'chosen':
    controls.fileSize.textContent = message.size.toString(16).toUpperCase() + ' bytes (hex)';
    fillSymbols(message.symbols, message.symbolsNote);
    updateButtons();
    break;
  case 'output': takeOutput(message.bytes); break;
  case 'progress': showProgress(message.text); break;
  case 'message': addMessage(message.text); break;
  case 'done': finishRun(message); break;
  }
}

function fillSymbols(symbols, note) {
  const first = new Option(symbols.length ? '(none: type the address)' : note || '(no data symbols)', '');
  controls.symbol.replaceChildren(first, ...symbols.map((symbol) => {
    const option = new Option(symbol.name, symbol.name);
    option.dataset.address = symbol.address;
    option.dataset.size = symbol.size;
    return option;
  }));
  controls.symbol.disabled = symbols.length === 0;
}

function choose(chosen) {
  if (!chosen) return;
  if (running) stop();
  file = chosen;
  controls.fileSize.textContent = '';
  fillSymbols([], 'reading…');
  showMessage('');
  if (ready) worker.postMessage({type: 'choose', file});
}

function updateButtons() {
  controls.go.disabled = !ready || !file || running;
  controls.stop.disabled = !running;
  controls.copy.disabled = running || shownLength === 0;
  controls.save.disabled = running || parts.length === 0;
}

// zemrik-cli's arguments for the controls: a field left empty is an option
// left out, as on the command line.
function argumentsOf() {
  const args = [];
  const field = (control, option) => { if (control.value !== '') args.push(option, control.value); };
  field(controls.address, controls.virtualAddress.checked ? '--va' : '-a');
  field(controls.size, '-s');
  field(controls.perLine, '-n');
  args.push('-i', controls.items.value, '-l', controls.language.value);
  if (controls.decimal.checked) args.push('--decimal');
  if (controls.bigEndian.checked) args.push('--big-endian');
  if (controls.fixedTypes.checked) args.push('--fixed-types');
  if (controls.constant.checked) args.push('--const');
  if (controls.length.checked) args.push('--length');
  field(controls.name, '--name');
  if (controls.lineEnd.value === 'lf') args.push('--lf');
  return args;
}

function go(event) {
  event.preventDefault();
  if (controls.go.disabled) return;
  parts = [];
  partBytes = 0;
  shownLength = 0;
  decoder = new TextDecoder();
  refused = false;
  progressShown = 0;
  controls.output.value = '';
  controls.outputNote.textContent = '';
  showMessage('');
  const symbol = controls.symbol.selectedOptions[0];
  const tableName = controls.name.value || (symbol && symbol.value ? symbol.value : 'table');
  lastRun = {name: tableName, language: controls.language.value,
             started: performance.now()};
  running = true;
  updateButtons();
  worker.postMessage({type: 'run', args: argumentsOf(), image: controls.virtualAddress.checked});
}

function takeOutput(bytes) {
  partBytes += bytes.length;
  parts.push(new Blob([bytes]));
  if (shownLength >= kShownLimit) return;
  const text = decoder.decode(bytes, {stream: true});
  const room = kShownLimit - shownLength;
  const shown = text.length > room ? text.slice(0, room) : text;
  controls.output.value += shown;
  shownLength += shown.length;
  if (shownLength >= kShownLimit) {
    controls.outputNote.textContent = 'The box shows the first ' + kShownLimit / 1024 +
                                      ' KiB; Save has the whole table.';
  }
}

function showProgress(text) {
  progressShown += 1;
  const percent = parseInt(text, 10);
  controls.progress.hidden = false;
  if (!Number.isNaN(percent)) controls.progress.value = percent;
  controls.progressText.textContent = text;
}

function finishRun(message) {
  running = false;
  if (message.heldLimit) {
    // The table stopped short: what was held of it is no table to save.
    parts = [];
    partBytes = 0;
    clearOutput();
    addMessage('Opened from a folder, the page holds at most ' + message.heldLimit / (1024 * 1024) +
               ' MiB of a table for Save; served (scripts/web.sh), it saves a table of any size.');
  }
  controls.progress.hidden = true;
  controls.progressText.textContent = '';
  savedName = message.savedName;
  const bytes = message.bytes === undefined ? partBytes : message.bytes;
  window.zemrikLastRun = {code: message.code, engineMilliseconds: message.milliseconds, bytes, progressShown,
                          milliseconds: performance.now() - lastRun.started};
  if (message.code === 0 && !refused) {
    showMessage(bytes + ' bytes of ' + lastRun.language + ' in ' + Math.round(message.milliseconds) + ' ms', 'info');
  }
  updateButtons();
}

function clearOutput() {
  shownLength = 0;
  controls.output.value = '';
  controls.outputNote.textContent = '';
}

// Ends a long run: the worker is dropped and a new one takes its place.
function stop() {
  worker.terminate();
  running = false;
  parts = [];
  partBytes = 0;
  clearOutput();
  controls.progress.hidden = true;
  controls.progressText.textContent = '';
  showMessage('Stopped.', 'info');
  startWorker();
  updateButtons();
}

// The whole table: the worker's file where it wrote one, else the pieces.
async function wholeTable() {
  if (!savedName) return new Blob(parts, {type: 'text/plain'});
  const root = await navigator.storage.getDirectory();
  return (await root.getFileHandle(savedName)).getFile();
}

async function wholeText() {
  return (await wholeTable()).text();
}

async function copy() {
  const text = shownLength < kShownLimit ? controls.output.value : await wholeText();
  try {
    await navigator.clipboard.writeText(text);
  } catch (error) {
    controls.output.select();
    document.execCommand('copy');
  }
  showMessage('Copied ' + text.length + ' characters.', 'info');
}

async function save() {
  const extension = kExtensions[lastRun.language] || 'txt';
  const link = document.createElement('a');
  link.href = URL.createObjectURL(await wholeTable());
  link.download = lastRun.name + '.' + extension;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function pickSymbol() {
  const option = controls.symbol.selectedOptions[0];
  if (!option || option.value === '') return;
  controls.address.value = option.dataset.address;
  controls.size.value = option.dataset.size;
  controls.virtualAddress.checked = true;
}

controls.file.addEventListener('change', () => choose(controls.file.files[0]));
controls.symbol.addEventListener('change', pickSymbol);
$('request').addEventListener('submit', go);
controls.stop.addEventListener('click', stop);
controls.copy.addEventListener('click', copy);
controls.save.addEventListener('click', save);
document.addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dragging'); });
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  choose(event.dataTransfer.files[0]);
});
startWorker();
