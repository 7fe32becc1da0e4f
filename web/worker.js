// The page's worker: runs zemrik-cli's engine on the chosen file, which it
// reads through WORKERFS (Blob.slice, piece by piece), and posts the table to
// the page in pieces as the engine writes it. Lives inside zemrikWorkerMain().
'use strict';

// An image whose virtual addresses or symbols are asked for is copied into
// the module's memory whole (the engine maps it); past this it is refused.
// Only a file whose first bytes begin an image is copied.
const kImageCopyLimit = 256 * 1024 * 1024;
// Output is posted in pieces of about this size.
const kPieceSize = 1024 * 1024;
// With a disk to write to, the page is sent only what its Output box shows.
const kShownBytes = 256 * 1024;
// The whole table, for Save, in the origin's private files where the browser
// has them (not from file://): written as it comes, held in no memory.
const kSavedName = 'table.txt';
// Without those files (opened from file://) the page holds the table for Save
// in pieces; the engine's write past this many bytes fails, ending the run.
const kHeldLimit = 256 * 1024 * 1024;
const kFileTooLarge = 22;  // EFBIG, as the module's libc numbers it

let engine = null;
let chosen = null;       // the File
let chosenHead = null;   // its first bytes
let chosenIsImage = false;
let imageCopy = null;    // its path in memory, once copied
let piece = [];          // output bytes not posted yet
let pieceBytes = 0;
let errorText = '';      // standard error not split into lines yet
let capturing = null;    // standard output kept whole (short engine answers)
let saved = null;        // {access, length}: the table's file while a run writes it
let postedBytes = 0;
let heldLimitReached = false;

function post(message, transfer) { self.postMessage(message, transfer || []); }

function flushPiece() {
  if (pieceBytes === 0) return;
  const bytes = new Uint8Array(pieceBytes);
  let at = 0;
  for (const part of piece) { bytes.set(part, at); at += part.length; }
  piece = [];
  pieceBytes = 0;
  post({type: 'output', bytes}, [bytes.buffer]);
}

function takeOutput(bytes) {
  if (capturing) { capturing.push(bytes.slice()); return; }
  if (saved) {
    saved.access.write(bytes, {at: saved.length});
    saved.length += bytes.length;
    if (postedBytes >= kShownBytes) return;
    bytes = bytes.subarray(0, kShownBytes - postedBytes);
  } else if (postedBytes + bytes.length > kHeldLimit) {
    heldLimitReached = true;
    throw new engine.FS.ErrnoError(kFileTooLarge);
  }
  postedBytes += bytes.length;
  piece.push(bytes.slice());
  pieceBytes += bytes.length;
  if (pieceBytes >= kPieceSize) flushPiece();
}

// Standard error holds the refusals, one line each, and, as on a terminal,
// the progress rewritten after a carriage return.
function takeErrors(bytes) {
  errorText += new TextDecoder().decode(bytes);
  let end;
  while ((end = errorText.search(/[\r\n]/)) >= 0) {
    const text = errorText.slice(0, end);
    const isLineEnd = errorText[end] === '\n';
    errorText = errorText.slice(end + 1);
    if (isLineEnd) {
      if (text.trim() !== '') post({type: 'message', text});
    } else if (text.trim() !== '') {
      post({type: 'progress', text: text.trim()});
    }
  }
}

function concatenated(parts) {
  const length = parts.reduce((sum, part) => sum + part.length, 0);
  const bytes = new Uint8Array(length);
  let at = 0;
  for (const part of parts) { bytes.set(part, at); at += part.length; }
  return bytes;
}

// zemrikRun(argc, argv), the arguments copied into the module's memory.
function callEngine(args) {
  const allocated = [];
  const argv = engine._malloc(4 * args.length);
  allocated.push(argv);
  args.forEach((arg, index) => {
    const size = engine.lengthBytesUTF8(arg) + 1;
    const text = engine._malloc(size);
    allocated.push(text);
    engine.stringToUTF8(arg, text, size);
    engine.setValue(argv + 4 * index, text, 'i32');
  });
  try {
    return engine._zemrikRun(args.length, argv);
  } finally {
    allocated.forEach((pointer) => engine._free(pointer));
  }
}

// Runs zemrik-cli with these arguments; standard output goes to the page,
// or, with `keep`, comes back as text.
function runEngine(args, keep) {
  capturing = keep ? [] : null;
  const code = callEngine(args);
  flushPiece();
  errorText = '';
  if (!keep) return {code};
  const text = new TextDecoder().decode(concatenated(capturing));
  capturing = null;
  return {code, text};
}

// The names the Items and Language lists offer, as the engine takes them.
function choices() {
  const [items, languages] = engine.UTF8ToString(engine._zemrikChoices()).split('\n');
  return {items: items.split(' '), languages: languages.split(' ')};
}

// Standard error stays the terminal the engine expects (it shows progress
// there only on one), its text sent to the page instead.
function redirectErrors() {
  const stream = engine.FS.getStream(2);
  stream.stream_ops = Object.assign({}, stream.stream_ops, {
    write(stream, buffer, offset, length) {
      takeErrors(buffer.subarray(offset, offset + length));
      return length;
    },
  });
}

// Standard output becomes a device of the page's: the engine reopens it by
// its path (dup), so the device itself must take the table.
function redirectOutput() {
  const FS = engine.FS;
  const device = FS.makedev(64, 0);
  FS.registerDevice(device, {
    open() {},
    close() {},
    write(stream, buffer, offset, length) {
      takeOutput(buffer.subarray(offset, offset + length));
      return length;
    },
  });
  FS.mkdev('/dev/zemrik-table', device);
  FS.close(FS.getStream(1));
  FS.open('/dev/zemrik-table', 'w');  // takes descriptor 1, the lowest free
}

function mountChosen(file) {
  const FS = engine.FS;
  try { FS.unmount('/input'); } catch (e) { /* nothing mounted yet */ }
  if (imageCopy) { FS.unlink(imageCopy); imageCopy = null; }
  chosen = file;
  FS.mount(FS.filesystems.WORKERFS, {files: [file]}, '/input');
  const headLength = engine._zemrikImageMagicLength();
  chosenHead = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(0, headLength)));
  const head = engine._malloc(headLength);
  try {
    engine.writeArrayToMemory(chosenHead, head);
    chosenIsImage = engine._zemrikBeginsAsImage(head, chosenHead.length) !== 0;
  } finally {
    engine._free(head);
  }
}

// The image in the module's memory, for the queries that map it: the whole
// file where its first bytes begin an image, else only those bytes, which
// the engine refuses as no image all the same.
function imagePath() {
  if (imageCopy) return {path: imageCopy};
  if (chosenIsImage && chosen.size > kImageCopyLimit) {
    return {refusal: 'The file is larger than ' + kImageCopyLimit / (1024 * 1024) +
                     ' MiB: its symbols and virtual addresses are not read in the browser'};
  }
  const bytes = chosenIsImage ? new Uint8Array(new FileReaderSync().readAsArrayBuffer(chosen)) : chosenHead;
  engine.FS.writeFile('/image/' + chosen.name, bytes);
  imageCopy = '/image/' + chosen.name;
  return {path: imageCopy};
}

// The data symbols, from the engine's listing: Address Size Offset Section Name.
function symbolsOf(path) {
  const quiet = post;
  post = () => {};
  const answer = runEngine(['--list-symbols', path], true);
  post = quiet;
  if (answer.code !== 0) return [];
  return answer.text.split('\n').slice(1).filter((line) => line.trim() !== '').map((line) => {
    const fields = line.trim().split(/\s+/);
    return {address: fields[0], size: fields[1] === '-' ? '' : fields[1], name: fields.slice(4).join(' ')};
  });
}

function choose(file) {
  mountChosen(file);
  if (!chosenIsImage) {
    post({type: 'chosen', size: file.size, symbols: [], symbolsNote: '(not an image: no symbols)'});
    return;
  }
  const image = imagePath();
  post({type: 'chosen', size: file.size, symbols: image.path ? symbolsOf(image.path) : [],
        symbolsNote: image.refusal || ''});
}

// The table's file, emptied, or null where the browser keeps no such files.
async function openSavedTable() {
  try {
    const root = await navigator.storage.getDirectory();
    const handle = await root.getFileHandle(kSavedName, {create: true});
    const access = await handle.createSyncAccessHandle();
    access.truncate(0);
    return {access, length: 0};
  } catch (error) {
    return null;
  }
}

async function run(request) {
  const started = performance.now();
  postedBytes = 0;
  heldLimitReached = false;
  saved = await openSavedTable();
  let path = '/input/' + chosen.name;
  if (request.image) {
    const image = imagePath();
    if (image.refusal) {
      if (saved) saved.access.close();
      saved = null;
      post({type: 'message', text: image.refusal});
      post({type: 'done', code: 1, milliseconds: 0});
      return;
    }
    path = image.path;
  }
  const answer = runEngine(request.args.concat([path]), false);
  let savedName = null;
  let bytes;
  if (saved) {
    bytes = saved.length;
    saved.access.flush();
    saved.access.close();
    savedName = kSavedName;
    saved = null;
  }
  post({type: 'done', code: answer.code, milliseconds: performance.now() - started, savedName, bytes,
        heldLimit: heldLimitReached ? kHeldLimit : 0});
}

createZemrik().then((module) => {
  engine = module;
  engine.FS.mkdir('/input');
  engine.FS.mkdir('/image');
  redirectOutput();
  redirectErrors();
  post(Object.assign({type: 'ready'}, choices()));
  self.onmessage = (event) => {
    const request = event.data;
    if (request.type === 'choose') choose(request.file);
    if (request.type === 'run') run(request);
  };
});
