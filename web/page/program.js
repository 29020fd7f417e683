// Loading the program and what the page says when it cannot run: the
// program's script or its WebAssembly cannot be fetched or compiled, or the
// program has ended. Each failure shows one alert saying what happened and
// what to do, never a silent, dimmed page.

// A failure to load, worded for the person in front of the page.
class LoadError extends Error {}

// The page's classic script (boot.js) shows every failure, its own too, and
// offers a reload for these.
export function showFailure(text) {
  document.dispatchEvent(new CustomEvent('failure', { detail: text }));
}

// What the page says when the running program stops: `error` is what the
// call into it threw (the runtime ends a program that calls exit() that way).
export function stopMessage(error) {
  if (error?.name === 'ExitStatus') {
    return `The editor has stopped (exit status ${error.status}). ` +
           'Reload the page to start it again; the points drawn so far are gone.';
  }
  return `The editor has stopped after an internal error (${error?.message ?? error}). ` +
         'Reload the page to start it again.';
}

export function loadMessage(error) {
  if (error instanceof LoadError) return error.message;
  return `The editor could not be loaded (${error?.message ?? error}). ` +
         'Check the network connection and reload the page.';
}

async function instantiate(url, imports) {
  let response;
  try {
    response = await fetch(url, { credentials: 'same-origin' });
  } catch (error) {
    throw new LoadError(`The editor's program (bezier.wasm) could not be fetched: ${error.message}. ` +
                        'Check the network connection and reload the page.');
  }
  if (!response.ok) {
    throw new LoadError(`The editor's program (bezier.wasm) is missing from the site (HTTP ${response.status}). ` +
                        'Whoever publishes the site: copy the whole site folder again. Then reload the page.');
  }
  try {
    // Compiled as it arrives where the server says what it is (the page
    // asked for it before its modules); otherwise once it is all there.
    const program = response.headers.get('Content-Type') === 'application/wasm'
      ? await WebAssembly.compileStreaming(response)
      : await WebAssembly.compile(await response.arrayBuffer());
    return await WebAssembly.instantiate(program, imports);
  } catch (error) {
    throw new LoadError(`The editor's program (bezier.wasm) could not be started: ${error.message}. ` +
                        'The file is damaged, incomplete or from another version of the site. ' +
                        'Reload the page; if this stays, publish the whole site folder again.');
  }
}

// Loads and starts the program with the page's side of its calls (`page`).
// Resolves to the running program, once its start-up (main) has run; rejects
// with an error that loadMessage() words.
export async function loadProgram(page) {
  let createProgram;
  try {
    ({ default: createProgram } = await import('../bezier.js'));
  } catch (error) {
    throw new LoadError(`The editor's script (bezier.js) could not be loaded: ${error.message}. ` +
                        'Check the network connection and reload the page.');
  }
  const wasmUrl = new URL('../bezier.wasm', import.meta.url);
  let failed = null;
  const program = {
    page,
    instantiateWasm(imports, receive) {
      instantiate(wasmUrl, imports).then((instance) => receive(instance), (error) => failed(error));
      return {};
    },
  };
  await new Promise((resolve, reject) => {
    failed = reject;
    createProgram(program).then(resolve, reject);
  });
  return program;
}
