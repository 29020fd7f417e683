// Keeping the site for use without a network (see sw.js): the service worker
// is registered once the program runs, when every file this page needs is
// loaded, so that a newer build it finds can take over at once without ever
// mixing its files with this one's. Where service workers are unavailable
// (an insecure origin, a private window) the editor simply needs the network.
export async function keepForOffline() {
  if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
  try {
    const registration = await navigator.serviceWorker.register('sw.js');
    const takeOver = (worker) => worker?.postMessage('take-over');
    takeOver(registration.waiting);
    registration.addEventListener('updatefound', () => {
      const worker = registration.installing;
      worker?.addEventListener('statechange', () => {
        if (worker.state === 'installed') takeOver(worker);
      });
    });
    // A published site is looked for at every start, not only when the
    // browser gets round to it.
    await registration.update();
  } catch (error) {
    console.warn('The editor will not work offline:', error);
  }
}
