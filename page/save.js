// Saving results. Where the browser lets a page write into a folder the
// user picks (the File System Access API: Chromium, Edge), every result is
// written there under the name the page shows for it, or, where the folder
// already holds that name, under the first free name numbered as the tools
// number one (`walk_Rotated(90°) (2).qmx`): no file is ever replaced.
// Elsewhere the results are one download, the archive qmx-results.zip (or
// the result itself when there is one), since a browser drops some of many
// downloads started together. A result is {name, parts}: its bytes as the
// Blob slices of the dropped file and the arrays of bytes made by the
// engine that follow one another; no result is ever read into memory
// whole. The status line tells what is being done, and afterwards how many
// results were saved where, and names each one that was not, with why.
const QmxSave = (function () {
  'use strict';
  const ARCHIVE = 'qmx-results.zip';
  const CHUNK = 8 << 20;  // bytes read or written at a time
  const LONGEST_NAME = 255;  // bytes of a name most file systems allow
  const MOST_NUMBERED = 9999;  // as the tools: past that a name is not free
  let queue = Promise.resolve();  // one save at a time

  const utf8Length = (text) => new TextEncoder().encode(text).length;
  const partLength = (part) => (part instanceof Blob ? part.size : part.length);
  const resultLength = (result) =>
    result.parts.reduce((sum, part) => sum + partLength(part), 0);
  const count = (n) => n + (n === 1 ? ' result' : ' results');
  const percent = (done, total) =>
    (total ? Math.floor((100 * done) / total) : 100) + '%';

  // A name on one line: a line break or another control character shows
  // as its symbol (␊), not as a break or a blank.
  function shownName(name) {
    return name.replace(/[\u0000-\u001f\u007f]/g, (c) =>
      String.fromCharCode(c === '\u007f' ? 0x2421 : 0x2400 + c.charCodeAt(0)));
  }

  // The bytes of a result in pieces of at most CHUNK; `each` is awaited
  // for one piece while the next is read.
  async function eachChunk(result, each) {
    const pieces = [];
    for (const part of result.parts) {
      for (let at = 0; at < partLength(part); at += CHUNK) {
        pieces.push([part, at, Math.min(at + CHUNK, partLength(part))]);
      }
    }
    const read = ([part, at, end]) => (part instanceof Blob
      ? part.slice(at, end).arrayBuffer().then((buffer) => new Uint8Array(buffer))
      : Promise.resolve(part.subarray(at, end)));
    let next = pieces.length ? read(pieces[0]) : null;
    for (let k = 0; k < pieces.length; ++k) {
      const bytes = await next;
      next = k + 1 < pieces.length ? read(pieces[k + 1]) : null;
      next?.catch(() => {});  // its failure counts when it is awaited
      await each(bytes);
    }
  }

  // Why a result could not be written, in words for the status line.
  function reason(error, name) {
    const kind = error && error.name;
    if (kind === 'QuotaExceededError') return 'the disk is full';
    if (kind === 'NotReadableError') return 'the dropped file can no longer be read';
    if (kind === 'NotAllowedError') return 'writing into the folder is not allowed';
    if (kind === 'NoModificationAllowedError') return 'the file is in use';
    if (utf8Length(name) > LONGEST_NAME) {
      return 'the name is longer than the ' + LONGEST_NAME + ' bytes the folder allows';
    }
    if (kind === 'TypeError') return 'the system does not allow this name';
    return (error && error.message) || String(error);
  }

  function notSaved(failed) {
    return failed.length === 0 ? '' : ' Not saved: ' + failed.map(
      ({name, why}) => shownName(name) + ' (' + why + ')').join('; ') + '.';
  }

  function startDownload(blob, name) {
    const url = URL.createObjectURL(blob);
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  // The first name of `name`, `name (2)`, ... that `folder` does not hold.
  async function freeName(folder, name, numbered) {
    for (let number = 1; number <= MOST_NUMBERED; ++number) {
      const candidate = number === 1 ? name : numbered(name, number);
      try {
        await folder.getFileHandle(candidate);
      } catch (error) {
        if (error.name === 'NotFoundError') return candidate;
        if (error.name !== 'TypeMismatchError') throw error;  // a folder
      }
    }
    throw new Error('every numbered name up to (' + MOST_NUMBERED + ') is taken');
  }

  async function toFolder(folder, list, engine, say) {
    const numbered = engine.cwrap('studio_numbered_name', 'string', ['string', 'number']);
    const total = list.reduce((sum, result) => sum + resultLength(result), 0);
    const where = ' into the folder “' + shownName(folder.name) + '”';
    let done = 0;
    let saved = 0;
    let renamed = 0;
    const failed = [];
    for (const result of list) {
      let name = null;
      try {
        name = await freeName(folder, result.name, numbered);
        const handle = await folder.getFileHandle(name, {create: true});
        // The writer writes beside the file and puts what it wrote in
        // place on close: until then the file is as it was made, empty.
        try {
          const out = await handle.createWritable();
          try {
            for (const part of result.parts) {
              for (let at = 0; at < partLength(part); at += CHUNK) {
                const end = Math.min(at + CHUNK, partLength(part));
                await out.write(part.slice(at, end));
                done += end - at;
                say('Saving' + where + ': ' + (saved + failed.length + 1) +
                    ' of ' + count(list.length) + ', ' + percent(done, total) + '…');
              }
            }
            await out.close();
          } catch (error) {
            await out.abort().catch(() => {});
            throw error;
          }
        } catch (error) {
          await folder.removeEntry(name).catch(() => {});
          throw error;
        }
        ++saved;
        if (name !== result.name) ++renamed;
      } catch (error) {
        failed.push({name: result.name, why: reason(error, name || result.name)});
      }
    }
    say((saved === list.length ? 'Saved ' + count(saved)
                               : 'Saved ' + saved + ' of ' + count(list.length)) + where +
        (renamed ? ' (' + renamed + ' under a numbered name: the folder held ' +
                   (renamed === 1 ? 'its name' : 'theirs') + ')' : '') +
        '.' + notSaved(failed));
  }

  async function toArchive(list, engine, say, note = '') {
    const api = {
      start: engine.cwrap('studio_zip_start', null, Array(6).fill('number')),
      room: engine.cwrap('studio_zip_room', 'number', ['number']),
      crc: engine.cwrap('studio_zip_crc', null, ['number']),
      entry: engine.cwrap('studio_zip_entry', 'number', ['string', 'number']),
      finish: engine.cwrap('studio_zip_finish', 'number', []),
      bytes: engine.cwrap('studio_zip_bytes', 'number', []),
    };
    const made = (length) => {
      const at = api.bytes();
      return engine.HEAPU8.slice(at, at + length);
    };
    const now = new Date();
    api.start(now.getFullYear(), now.getMonth() + 1, now.getDate(),
              now.getHours(), now.getMinutes(), now.getSeconds());
    const total = list.reduce((sum, result) => sum + resultLength(result), 0);
    let done = 0;
    const blobs = [];
    const failed = [];
    let saved = 0;
    // The CRC of each result, read in full, is known before its header is.
    for (const [n, result] of list.entries()) {
      try {
        await eachChunk(result, async (bytes) => {
          const at = api.room(bytes.length);
          if (!at) throw new Error('the page is short of memory');
          engine.HEAPU8.set(bytes, at);
          api.crc(bytes.length);
          done += bytes.length;
          say('Reading the results for ' + ARCHIVE + ': ' + (n + 1) + ' of ' +
              count(list.length) + ', ' + percent(done, total) + '…');
        });
      } catch (error) {
        api.entry('', 0);  // forgets the CRC read so far
        failed.push({name: result.name, why: reason(error, result.name)});
        continue;
      }
      const length = api.entry(result.name, resultLength(result));
      if (!length) {
        failed.push({name: result.name, why: 'the name is too long for an archive'});
        continue;
      }
      blobs.push(new Blob([made(length), ...result.parts]));
      ++saved;
    }
    const end = made(api.finish());
    if (saved === 0) {
      say(note + 'Nothing was saved.' + notSaved(failed));
      return;
    }
    startDownload(new Blob([...blobs, end], {type: 'application/zip'}), ARCHIVE);
    say(note + 'The download of ' + ARCHIVE + ' with ' +
        (saved === list.length ? count(saved) : saved + ' of ' + count(list.length)) +
        ' was started.' + notSaved(failed));
  }

  // One result as a download of its own, unless its name is longer than
  // the systems allow a downloaded file's, when the browser would silently
  // save nothing: it goes into the archive then.
  async function download(result, engine, say) {
    if (utf8Length(result.name) > LONGEST_NAME) {
      await toArchive([result], engine, say, shownName(result.name) +
          ' has a name longer than the ' + LONGEST_NAME +
          ' bytes a downloaded file may have: it goes into ' + ARCHIVE + '. ');
      return;
    }
    startDownload(new Blob(result.parts, {type: 'application/octet-stream'}), result.name);
    say('The download of ' + shownName(result.name) + ' was started.');
  }

  function run(work, status) {
    const say = (text) => {
      status.textContent = text;
    };
    queue = queue.then(() => work(say)).catch((error) => say('Saving failed: ' + error));
    return queue;
  }

  return {
    // Every result of `list`: into a folder the user picks, or as one
    // download. `status` is the element that tells what happens.
    saveResults(list, {status, engine}) {
      return run(async (say) => {
        if (list.length === 0) return;
        if (typeof window.showDirectoryPicker !== 'function') {
          await (list.length === 1 ? download(list[0], engine, say)
                                   : toArchive(list, engine, say));
          return;
        }
        let folder;
        try {
          folder = await window.showDirectoryPicker(
              {id: 'qmx-results', mode: 'readwrite', startIn: 'downloads'});
        } catch (error) {
          if (error.name === 'AbortError') {
            say('Nothing was saved: no folder was chosen.');
            return;
          }
          // Not allowed here (a frame, a policy): a download instead.
          await (list.length === 1 ? download(list[0], engine, say)
                                   : toArchive(list, engine, say));
          return;
        }
        await toFolder(folder, list, engine, say);
      }, status);
    },
    // One result, as a download.
    saveOne(result, {status, engine}) {
      return run((say) => download(result, engine, say), status);
    },
    shownName,
  };
})();
