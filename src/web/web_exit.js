// web_exit.js - exit() of the web build: the process ends, as natively.
// emscripten's own exit() only halts the frame while the browser's main loop
// keeps the runtime alive, so the next animation frame would run the demo on
// from where it stopped (its scene 9 block would end the demo again and
// again). Here exit() always shuts the runtime down: atexit handlers run, the
// main loop stops and the page's onExit learns the status.
mergeInto(LibraryManager.library, {
  exit__deps: ['emscripten_force_exit'],
  exit: function (status) {
    _emscripten_force_exit(status);
  },
});
